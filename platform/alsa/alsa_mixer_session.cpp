#include "platform/alsa/alsa_mixer_session.h"

#include <poll.h>

#include <algorithm>
#include <utility>

namespace zav::platform::alsa {

namespace {

// Bounds the watcher's sleep, so that a device that dies without a word is noticed too.
constexpr int kWatchTimeoutMs = 500;

ElementInfo Describe(snd_mixer_elem_t* element) {
    ElementInfo info;
    info.name = snd_mixer_selem_get_name(element);
    info.captureVolume = snd_mixer_selem_has_capture_volume(element) != 0;
    info.captureSwitch = snd_mixer_selem_has_capture_switch(element) != 0;
    info.volumeJoined = snd_mixer_selem_has_capture_volume_joined(element) != 0;
    info.switchJoined = snd_mixer_selem_has_capture_switch_joined(element) != 0;
    std::uint32_t channels = 0;
    for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c) {
        if (snd_mixer_selem_has_capture_channel(element,
                                                static_cast<snd_mixer_selem_channel_id_t>(c))) {
            ++channels;
        }
    }
    info.channels = std::max<std::uint32_t>(channels, 1);
    return info;
}

}  // namespace

MixerResult AlsaMixerSession::Open(const std::string& deviceName, std::string cardName,
                                   MixerChangeReport report,
                                   std::unique_ptr<AlsaMixerSession>& session) {
    session.reset();
    snd_mixer_t* opened = nullptr;
    if (int err = snd_mixer_open(&opened, 0); err < 0)
        return ToMixerResult(MapAlsaError(err, AlsaStep::Open));
    MixerPtr mixer(opened);
    if (int err = snd_mixer_attach(mixer.get(), deviceName.c_str()); err < 0)
        return ToMixerResult(MapAlsaError(err, AlsaStep::Open));
    if (int err = snd_mixer_selem_register(mixer.get(), nullptr, nullptr); err < 0)
        return ToMixerResult(MapAlsaError(err, AlsaStep::Open));
    if (int err = snd_mixer_load(mixer.get()); err < 0)
        return ToMixerResult(MapAlsaError(err, AlsaStep::Open));

    std::vector<snd_mixer_elem_t*> elements;
    std::vector<ElementInfo> infos;
    for (snd_mixer_elem_t* element = snd_mixer_first_elem(mixer.get()); element != nullptr;
         element = snd_mixer_elem_next(element)) {
        if (!snd_mixer_selem_is_active(element))
            continue;
        elements.push_back(element);
        infos.push_back(Describe(element));
    }
    CaptureLayout layout = PlanCaptureLayout(infos);
    layout.model.name = std::move(cardName);
    const bool watch = static_cast<bool>(report);
    std::unique_ptr<AlsaMixerSession> made(
        new AlsaMixerSession(std::move(mixer), std::move(layout), std::move(report)));
    {
        std::lock_guard lock(made->mutex_);
        made->Bind(elements);
        made->RefreshLocked();
    }
    if (watch) {
        AlsaMixerSession* self = made.get();
        made->watcher_.Start(
            made->mutex_, [self] { self->wake_.Signal(); }, [self] { self->Watch(); });
    }
    session = std::move(made);
    return MixerResult::NoError;
}

AlsaMixerSession::AlsaMixerSession(MixerPtr mixer, CaptureLayout layout, MixerChangeReport report)
    : mixer_(std::move(mixer)), layout_(std::move(layout)), report_(std::move(report)) {}

AlsaMixerSession::~AlsaMixerSession() {
    watcher_.Stop();
    std::lock_guard lock(mutex_);
    mixer_.reset();
}

void AlsaMixerSession::Bind(const std::vector<snd_mixer_elem_t*>& elements) {
    std::size_t index = 0;
    auto bind = [&](const ModelLine& model) {
        BoundLine line;
        line.line = &model;
        if (const std::optional<std::size_t> planned = layout_.elements[index++]) {
            snd_mixer_elem_t* element = elements[*planned];
            line.element = element;
            snd_mixer_selem_get_capture_volume_range(element, &line.range.minimum,
                                                     &line.range.maximum);
            for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c) {
                const auto channel = static_cast<snd_mixer_selem_channel_id_t>(c);
                if (snd_mixer_selem_has_capture_channel(element, channel))
                    line.channels.push_back(channel);
            }
            if (line.channels.empty())
                line.channels.push_back(SND_MIXER_SCHN_MONO);
            snd_mixer_elem_set_callback_private(element, this);
            snd_mixer_elem_set_callback(element, &AlsaMixerSession::OnElementEvent);
        }
        lines_.push_back(std::move(line));
    };
    bind(layout_.Destination());
    for (const ModelLine& source : layout_.Sources())
        bind(source);
}

int AlsaMixerSession::OnElementEvent(snd_mixer_elem_t* element, unsigned int mask) {
    // Runs inside snd_mixer_handle_events, with the session's lock held by the watcher.
    if (mask != SND_CTL_EVENT_MASK_REMOVE)
        return 0;
    auto* session = static_cast<AlsaMixerSession*>(snd_mixer_elem_get_callback_private(element));
    for (BoundLine& line : session->lines_) {
        if (line.element == element)
            line.element = nullptr;  // its controls answer NoDriver from now on
    }
    return 0;
}

const AlsaMixerSession::BoundLine* AlsaMixerSession::BoundOf(const ModelLine* line) const {
    for (const BoundLine& bound : lines_) {
        if (bound.line == line)
            return &bound;
    }
    return nullptr;
}

bool AlsaMixerSession::ReadLocked(const BoundLine& line, const MixerControl& control,
                                  std::vector<std::uint32_t>& values) const {
    snd_mixer_elem_t* element = line.element;
    if (element == nullptr)
        return false;
    values.clear();
    for (snd_mixer_selem_channel_id_t channel : line.channels) {
        if (control.controlType == ControlType::Volume) {
            long raw = 0;
            if (snd_mixer_selem_get_capture_volume(element, channel, &raw) < 0)
                return false;
            values.push_back(ToHostVolume(raw, line.range));
        } else {
            int on = 0;
            if (snd_mixer_selem_get_capture_switch(element, channel, &on) < 0)
                return false;
            values.push_back(on != 0 ? 0U : 1U);  // muted when the switch is off
        }
    }
    return true;
}

MixerResult AlsaMixerSession::Read(const ModelControl& at, std::vector<std::uint32_t>& values) {
    std::lock_guard lock(mutex_);
    CatchUpLocked();  // values changed elsewhere are read as they are now
    const BoundLine* line = BoundOf(at.line);
    if (lost_ || line == nullptr || !ReadLocked(*line, *at.control, values))
        return MixerResult::NoDriver;  // the device has gone
    // A uniform control shows its first channel.
    values.resize(static_cast<std::size_t>(at.Shape().Count()), values.back());
    return MixerResult::NoError;
}

MixerResult AlsaMixerSession::Write(const ModelControl& at, std::span<const std::uint32_t> values,
                                    std::uint32_t channels) {
    std::lock_guard lock(mutex_);
    CatchUpLocked();  // an outside change before this one is reported as such
    const BoundLine* line = BoundOf(at.line);
    if (lost_ || line == nullptr || line->element == nullptr)
        return MixerResult::NoDriver;
    const bool volume = at.control->controlType == ControlType::Volume;
    // A uniform control's one value goes to every channel of its element.
    const std::size_t count = at.control->IsUniform() ? line->channels.size() : channels;
    for (std::size_t c = 0; c < count && c < line->channels.size(); ++c) {
        const std::uint32_t value = values[at.control->IsUniform() ? 0 : c];
        const int err = volume
                            ? snd_mixer_selem_set_capture_volume(line->element, line->channels[c],
                                                                 ToElementValue(value, line->range))
                            : snd_mixer_selem_set_capture_switch(line->element, line->channels[c],
                                                                 value == 0 ? 1 : 0);
        if (err < 0)
            return ToMixerResult(MapAlsaError(err, AlsaStep::Use));
    }
    // Takes the new values in, so that this session does not report its own change: the
    // server sends none back to it, and MixerCore announces the write.
    RefreshLocked();
    return MixerResult::NoError;
}

std::vector<std::uint32_t> AlsaMixerSession::RefreshLocked() {
    std::vector<std::uint32_t> changed;
    std::vector<std::uint32_t> values;
    for (const BoundLine& line : lines_) {
        for (const MixerControl& control : line.line->controls) {
            if (!ReadLocked(line, control, values))
                continue;
            std::vector<std::uint32_t>& last = lastValues_[control.controlId];
            if (last != values) {
                last = values;
                changed.push_back(control.controlId);
            }
        }
    }
    return changed;
}

void AlsaMixerSession::Report(MixerChange change, std::uint32_t id) const {
    if (report_)
        report_(change, id);
}

std::size_t AlsaMixerSession::DescriptorsLocked(std::vector<pollfd>& fds) const {
    const int n = snd_mixer_poll_descriptors_count(mixer_.get());
    const std::size_t count = n > 0 ? static_cast<std::size_t>(n) : 0;
    fds.assign(count, pollfd{});
    if (count > 0)
        snd_mixer_poll_descriptors(mixer_.get(), fds.data(), static_cast<unsigned>(count));
    return count;
}

bool AlsaMixerSession::HandleSignalledLocked(std::vector<pollfd>& fds, std::size_t count) {
    unsigned short revents = 0;
    if (count > 0) {
        snd_mixer_poll_descriptors_revents(mixer_.get(), fds.data(), static_cast<unsigned>(count),
                                           &revents);
    }
    int err = 0;
    if ((revents & (POLLERR | POLLNVAL | POLLHUP)) != 0) {
        err = -ENODEV;
    } else if ((revents & POLLIN) != 0) {
        // Only when signalled: on a card, reading events that are not there would block.
        err = snd_mixer_handle_events(mixer_.get());
    }
    if (err >= 0)
        return true;
    // A sound server that stopped shows up here: POLLIN, then -EIO.
    lost_ = true;
    for (const BoundLine& line : lines_)
        Report(MixerChange::Line, line.line->id);
    return false;
}

void AlsaMixerSession::CatchUpLocked() {
    if (lost_)
        return;
    std::vector<pollfd> fds;
    const std::size_t count = DescriptorsLocked(fds);
    if (count > 0)
        ::poll(fds.data(), count, 0);
    if (!HandleSignalledLocked(fds, count))
        return;
    for (std::uint32_t id : RefreshLocked())
        Report(MixerChange::Control, id);
}

void AlsaMixerSession::Watch() {
    std::vector<pollfd> fds;
    while (true) {
        {
            std::lock_guard lock(mutex_);
            if (lost_ || watcher_.StopRequested())
                return;
            DescriptorsLocked(fds);
        }
        fds.push_back(pollfd{wake_.Fd(), POLLIN, 0});
        ::poll(fds.data(), fds.size(), kWatchTimeoutMs);  // only a wake-up
        // Cleared before the flag is read: a stop's wake-up is never lost, it is read below.
        wake_.Clear();
        // Looks again under the lock: the dialog thread may have taken the events in meanwhile,
        // and on a card, reading events that are no longer there would block.
        std::lock_guard lock(mutex_);
        if (watcher_.StopRequested())
            return;
        CatchUpLocked();
    }
}

}  // namespace zav::platform::alsa
