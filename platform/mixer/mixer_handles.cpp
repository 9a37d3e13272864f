#include "platform/mixer/mixer_handles.h"

#include <array>
#include <utility>

namespace zav::platform {

MixerHandles::MixerHandles(Dispatcher& dispatcher, ValueReader reader, bool echoesWrites)
    : read_(std::move(reader)), echoesWrites_(echoesWrites), notices_(dispatcher) {}

MixerHandle MixerHandles::Next() const {
    std::lock_guard lock(mutex_);
    return MixerHandle{next_};
}

MixerHandle MixerHandles::Add(std::uint32_t deviceId, MixerNotificationSink* sink) {
    std::lock_guard lock(mutex_);
    const std::uintptr_t handle = next_++;
    open_[handle] = Open{deviceId, sink, {}};
    return MixerHandle{handle};
}

bool MixerHandles::Remove(MixerHandle handle) {
    std::lock_guard lock(mutex_);
    return open_.erase(static_cast<std::uintptr_t>(handle)) != 0;
}

std::optional<std::uint32_t> MixerHandles::DeviceOf(MixerHandle handle) const {
    std::lock_guard lock(mutex_);
    auto found = open_.find(static_cast<std::uintptr_t>(handle));
    if (found == open_.end())
        return std::nullopt;
    return found->second.deviceId;
}

std::vector<MixerHandle> MixerHandles::OpenHandles() const {
    std::lock_guard lock(mutex_);
    std::vector<MixerHandle> handles;
    for (const auto& [handle, open] : open_)
        handles.push_back(MixerHandle{handle});
    return handles;
}

std::vector<std::uintptr_t> MixerHandles::ListenersLocked(std::uint32_t deviceId) const {
    std::vector<std::uintptr_t> listeners;
    for (const auto& [handle, open] : open_) {
        if (open.deviceId == deviceId && open.sink != nullptr)
            listeners.push_back(handle);
    }
    return listeners;
}

void MixerHandles::AnnounceWrite(MixerHandle writer, std::uint32_t controlId) {
    const std::optional<std::uint32_t> device = DeviceOf(writer);
    if (!device)
        return;
    std::optional<std::vector<std::uint32_t>> left;
    if (echoesWrites_) {
        std::vector<std::uint32_t> values;
        if (read_(writer, controlId, values))
            left = std::move(values);
    }
    std::vector<std::uintptr_t> listeners;
    {
        std::lock_guard lock(mutex_);
        listeners = ListenersLocked(*device);
        for (std::uintptr_t handle : listeners) {
            // Unreadable values cannot be matched: then an echo is delivered as well.
            if (left)
                open_[handle].written[controlId] = *left;
            else
                open_[handle].written.erase(controlId);
        }
    }
    for (std::uintptr_t handle : listeners)
        Post(handle, MixerChange::Control, controlId, false);
}

void MixerHandles::SystemChange(MixerHandle handle, MixerChange change, std::uint32_t id) {
    Post(static_cast<std::uintptr_t>(handle), change, id, true);
}

void MixerHandles::DeviceChange(std::uint32_t deviceId, MixerChange change, std::uint32_t id) {
    std::vector<std::uintptr_t> listeners;
    {
        std::lock_guard lock(mutex_);
        listeners = ListenersLocked(deviceId);
    }
    for (std::uintptr_t handle : listeners)
        Post(handle, change, id, true);
}

void MixerHandles::Post(std::uintptr_t handle, MixerChange change, std::uint32_t id,
                        bool fromSystem) {
    notices_.Post(
        [this, handle, change, id, fromSystem] { Deliver(handle, change, id, fromSystem); });
}

void MixerHandles::Deliver(std::uintptr_t handle, MixerChange change, std::uint32_t id,
                           bool fromSystem) {
    std::optional<std::vector<std::uint32_t>> written;
    {
        std::lock_guard lock(mutex_);
        auto found = open_.find(handle);
        if (found == open_.end())
            return;  // closed since the change: its sink may be gone
        if (fromSystem && change == MixerChange::Control) {
            if (auto match = found->second.written.find(id); match != found->second.written.end())
                written = match->second;
        }
    }
    if (written) {
        // A system may echo one write several times (a sound server per channel, say): every
        // notice that still finds the written values is the same echo. The first that finds
        // others ends the match.
        std::vector<std::uint32_t> now;
        if (read_(MixerHandle{handle}, id, now) && now == *written)
            return;  // the echo of a write this handle has heard of already
        std::lock_guard lock(mutex_);
        if (auto found = open_.find(handle); found != open_.end()) {
            auto& remembered = found->second.written;
            if (auto match = remembered.find(id);
                match != remembered.end() && match->second == *written)
                remembered.erase(match);
        }
    }
    MixerNotificationSink* sink = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (auto found = open_.find(handle); found != open_.end())
            sink = found->second.sink;
    }
    if (sink != nullptr)
        sink->OnMixerChange(change, MixerHandle{handle}, id);
}

bool ReadControlValues(Mixer& mixer, MixerHandle handle, std::uint32_t controlId,
                       std::vector<std::uint32_t>& values) {
    std::array<MixerControl, 1> control;
    MixerLineControls byId{.controlId = controlId, .controls = control};
    if (mixer.GetLineControls(handle, LineControlsQuery::OneById, byId) != MixerResult::NoError)
        return false;
    MixerLine line{.lineId = byId.lineId};
    if (mixer.GetLineInfo(handle, LineInfoQuery::LineId, line) != MixerResult::NoError)
        return false;
    const ValueShape shape = ShapeOfValues(line.channels, control[0]);
    values.assign(static_cast<std::size_t>(shape.Count()), 0);
    MixerControlDetails details{.controlId = controlId,
                                .channels = shape.channels,
                                .multipleItems = control[0].IsMultiple() ? shape.items : 0,
                                .details = values};
    return mixer.GetControlDetails(handle, ControlDetailsQuery::Value, details) ==
           MixerResult::NoError;
}

}  // namespace zav::platform
