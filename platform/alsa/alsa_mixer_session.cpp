#include "platform/alsa/alsa_mixer_session.h"

#include <poll.h>

#include <algorithm>
#include <utility>

#include "platform/audio/wave_caps.h"

namespace zav::platform::alsa {

namespace {

// Bounds the watcher's sleep, so that a device that dies without a word is noticed too.
constexpr int kWatchTimeoutMs = 500;
constexpr std::uint32_t kMuteMaximum = 1;

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

std::uint32_t MaximumOf(ControlKind kind) {
    return kind == ControlKind::Volume ? kHostVolumeMaximum : kMuteMaximum;
}

}  // namespace

MixerResult AlsaMixerSession::Open(const std::string& deviceName, MixerHandle handle,
                                   MixerNotificationSink* sink, Dispatcher& dispatcher,
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
    std::string cardName = deviceName;
    {
        snd_ctl_t* ctl = nullptr;
        CardInfoPtr info = NewCardInfo();
        if (info && snd_ctl_open(&ctl, deviceName.c_str(), 0) >= 0) {
            CtlPtr owned(ctl);
            if (snd_ctl_card_info(ctl, info.get()) >= 0)
                cardName = snd_ctl_card_info_get_name(info.get());
        }
    }
    if (cardName.size() > kMaxProductNameLength)
        cardName.resize(kMaxProductNameLength);

    std::unique_ptr<AlsaMixerSession> made(
        new AlsaMixerSession(std::move(mixer), std::move(cardName), sink, handle, dispatcher));
    {
        std::lock_guard lock(made->mutex_);
        made->Bind(elements, PlanCaptureLayout(infos));
        made->RefreshLocked();
    }
    if (sink != nullptr) {
        AlsaMixerSession* self = made.get();
        made->watcher_ = std::jthread([self](std::stop_token stop) { self->Watch(stop); });
    }
    session = std::move(made);
    return MixerResult::NoError;
}

AlsaMixerSession::AlsaMixerSession(MixerPtr mixer, std::string cardName,
                                   MixerNotificationSink* sink, MixerHandle handle,
                                   Dispatcher& dispatcher)
    : mixer_(std::move(mixer)),
      cardName_(std::move(cardName)),
      sink_(sink),
      handle_(handle),
      notices_(dispatcher) {}

AlsaMixerSession::~AlsaMixerSession() {
    // The watcher posts no more once it has ended; the notices it posted earlier are dropped
    // when notices_ goes.
    if (watcher_.joinable()) {
        watcher_.request_stop();
        wake_.Signal();
        watcher_.join();
    }
    std::lock_guard lock(mutex_);
    mixer_.reset();
}

void AlsaMixerSession::Bind(const std::vector<snd_mixer_elem_t*>& elements,
                            const MixerLayout& layout) {
    auto bind = [&](const LinePlan& plan) {
        BoundLine line;
        line.plan = plan;
        if (plan.element) {
            snd_mixer_elem_t* element = elements[*plan.element];
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
    bind(layout.destination);
    for (const LinePlan& source : layout.sources)
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

const AlsaMixerSession::BoundLine* AlsaMixerSession::FindLine(std::uint32_t lineId) const {
    for (const BoundLine& line : lines_) {
        if (line.plan.id == lineId)
            return &line;
    }
    return nullptr;
}

std::optional<AlsaMixerSession::ControlRef> AlsaMixerSession::FindControl(
    std::uint32_t controlId) const {
    for (const BoundLine& line : lines_) {
        for (const ControlPlan& control : line.plan.controls) {
            if (control.id == controlId)
                return ControlRef{&line, &control};
        }
    }
    return std::nullopt;
}

void AlsaMixerSession::FillLine(const BoundLine& line, std::uint32_t source,
                                std::uint32_t connections, MixerLine& out) {
    out.destination = 0;
    out.source = source;
    out.lineId = line.plan.id;
    out.componentType = line.plan.type;
    out.channels = line.plan.channels;
    out.connections = connections;
    out.controls = static_cast<std::uint32_t>(line.plan.controls.size());
    out.name = line.plan.name;
}

void AlsaMixerSession::FillControl(const ControlPlan& control, MixerControl& out) {
    out.controlId = control.id;
    out.controlType = control.kind == ControlKind::Volume ? ControlType::Volume : ControlType::Mute;
    out.controlFlags = control.uniform ? std::uint32_t{kControlUniform} : 0u;
    out.multipleItems = 0;
    out.minimum = 0;
    out.maximum = MaximumOf(control.kind);
    out.name = control.name;
}

MixerResult AlsaMixerSession::Caps(MixerCaps& caps) const {
    caps.name = cardName_;
    caps.destinations = 1;
    return MixerResult::NoError;
}

MixerResult AlsaMixerSession::LineInfo(LineInfoQuery query, MixerLine& line) const {
    const auto sources = static_cast<std::uint32_t>(lines_.size() - 1);
    switch (query) {
        case LineInfoQuery::Destination:
            if (line.destination != 0)
                return MixerResult::InvalidParam;
            FillLine(lines_.front(), 0, sources, line);
            return MixerResult::NoError;
        case LineInfoQuery::Source:
            if (line.destination != 0 || line.source >= sources)
                return MixerResult::InvalidParam;
            FillLine(lines_[line.source + 1], line.source, 0, line);
            return MixerResult::NoError;
        case LineInfoQuery::LineId:
        case LineInfoQuery::ComponentType:
            for (std::uint32_t n = 0; n < lines_.size(); ++n) {
                const BoundLine& bound = lines_[n];
                const bool match = query == LineInfoQuery::LineId
                                       ? bound.plan.id == line.lineId
                                       : bound.plan.type == line.componentType;
                if (match) {
                    FillLine(bound, n == 0 ? 0 : n - 1, n == 0 ? sources : 0, line);
                    return MixerResult::NoError;
                }
            }
            return MixerResult::InvalidLine;
    }
    return MixerResult::InvalidFlag;
}

MixerResult AlsaMixerSession::LineControls(LineControlsQuery query,
                                           MixerLineControls& request) const {
    switch (query) {
        case LineControlsQuery::All: {
            const BoundLine* line = FindLine(request.lineId);
            if (line == nullptr)
                return MixerResult::InvalidLine;
            if (request.controls.size() != line->plan.controls.size() || request.controls.empty()) {
                return MixerResult::InvalidParam;
            }
            for (std::size_t i = 0; i < request.controls.size(); ++i)
                FillControl(line->plan.controls[i], request.controls[i]);
            return MixerResult::NoError;
        }
        case LineControlsQuery::OneById: {
            if (request.controls.size() != 1)
                return MixerResult::InvalidParam;
            const std::optional<ControlRef> found = FindControl(request.controlId);
            if (!found)
                return MixerResult::InvalidControl;
            request.lineId = found->line->plan.id;
            FillControl(*found->control, request.controls[0]);
            return MixerResult::NoError;
        }
        case LineControlsQuery::OneByType: {
            if (request.controls.size() != 1)
                return MixerResult::InvalidParam;
            const BoundLine* line = FindLine(request.lineId);
            if (line == nullptr)
                return MixerResult::InvalidLine;
            for (const ControlPlan& control : line->plan.controls) {
                MixerControl filled;
                FillControl(control, filled);
                if (filled.controlType == request.controlType) {
                    request.controls[0] = std::move(filled);
                    return MixerResult::NoError;
                }
            }
            return MixerResult::InvalidControl;
        }
    }
    return MixerResult::InvalidFlag;
}

MixerResult AlsaMixerSession::CheckShape(const ControlRef& ref,
                                         const MixerControlDetails& details) {
    const bool channelsOk =
        ref.control->uniform ? details.channels == 1
                             : details.channels >= 1 && details.channels <= ref.line->plan.channels;
    if (!channelsOk || details.multipleItems != 0 || details.details.size() < details.channels)
        return MixerResult::InvalidParam;
    return MixerResult::NoError;
}

MixerResult AlsaMixerSession::FindShaped(const MixerControlDetails& details,
                                         std::optional<ControlRef>& found) const {
    found = FindControl(details.controlId);
    if (!found)
        return MixerResult::InvalidControl;
    return CheckShape(*found, details);
}

bool AlsaMixerSession::ReadLocked(const ControlRef& ref, std::vector<std::uint32_t>& values) const {
    snd_mixer_elem_t* element = ref.line->element;
    if (element == nullptr)
        return false;
    values.clear();
    for (snd_mixer_selem_channel_id_t channel : ref.line->channels) {
        if (ref.control->kind == ControlKind::Volume) {
            long raw = 0;
            if (snd_mixer_selem_get_capture_volume(element, channel, &raw) < 0)
                return false;
            values.push_back(ToHostVolume(raw, ref.line->range));
        } else {
            int on = 0;
            if (snd_mixer_selem_get_capture_switch(element, channel, &on) < 0)
                return false;
            values.push_back(on != 0 ? 0u : 1u);  // muted when the switch is off
        }
    }
    return true;
}

MixerResult AlsaMixerSession::Details(ControlDetailsQuery query, MixerControlDetails& details) {
    if (query == ControlDetailsQuery::ListText)
        return MixerResult::NotSupported;
    if (query != ControlDetailsQuery::Value)
        return MixerResult::InvalidFlag;
    std::optional<ControlRef> found;
    if (MixerResult result = FindShaped(details, found); result != MixerResult::NoError)
        return result;
    std::lock_guard lock(mutex_);
    CatchUpLocked();  // values changed elsewhere are read as they are now
    std::vector<std::uint32_t> values;
    if (lost_ || !ReadLocked(*found, values)) {
        return MixerResult::NoDriver;  // the device has gone
    }
    // One channel on a non-uniform control reads the first channel.
    for (std::uint32_t c = 0; c < details.channels; ++c)
        details.details[c] = values[std::min<std::size_t>(c, values.size() - 1)];
    return MixerResult::NoError;
}

MixerResult AlsaMixerSession::SetDetails(ControlDetailsSet how,
                                         const MixerControlDetails& details) {
    if (how == ControlDetailsSet::Custom)
        return MixerResult::NotSupported;
    if (how != ControlDetailsSet::Value)
        return MixerResult::InvalidFlag;
    std::optional<ControlRef> found;
    if (MixerResult result = FindShaped(details, found); result != MixerResult::NoError)
        return result;
    const std::uint32_t maximum = MaximumOf(found->control->kind);
    for (std::uint32_t c = 0; c < details.channels; ++c) {
        if (details.details[c] > maximum)
            return MixerResult::InvalidValue;
    }
    std::lock_guard lock(mutex_);
    CatchUpLocked();  // an outside change before this one is announced as such
    snd_mixer_elem_t* element = found->line->element;
    if (lost_ || element == nullptr) {
        return MixerResult::NoDriver;
    }
    const bool volume = found->control->kind == ControlKind::Volume;
    const std::vector<snd_mixer_selem_channel_id_t>& channels = found->line->channels;
    // One channel sets every channel alike.
    const std::size_t count = details.channels == 1 ? channels.size() : details.channels;
    for (std::size_t c = 0; c < count && c < channels.size(); ++c) {
        const std::uint32_t value = details.details[details.channels == 1 ? 0 : c];
        const int err =
            volume ? snd_mixer_selem_set_capture_volume(element, channels[c],
                                                        ToElementValue(value, found->line->range))
                   : snd_mixer_selem_set_capture_switch(element, channels[c], value == 0 ? 1 : 0);
        if (err < 0) {
            return ToMixerResult(MapAlsaError(err, AlsaStep::Use));
        }
    }
    // A sound server does not echo a change to the handle that made it: announce it here,
    // after taking in the new values so that a later echo is not announced twice.
    RefreshLocked();
    Post(MixerChange::Control, details.controlId);
    return MixerResult::NoError;
}

std::vector<std::uint32_t> AlsaMixerSession::RefreshLocked() {
    std::vector<std::uint32_t> changed;
    std::vector<std::uint32_t> values;
    for (const BoundLine& line : lines_) {
        for (const ControlPlan& control : line.plan.controls) {
            if (!ReadLocked(ControlRef{&line, &control}, values))
                continue;
            std::vector<std::uint32_t>& last = lastValues_[control.id];
            if (last != values) {
                last = values;
                changed.push_back(control.id);
            }
        }
    }
    return changed;
}

void AlsaMixerSession::Post(MixerChange change, std::uint32_t id) {
    if (sink_ == nullptr)
        return;
    notices_.Post(
        [sink = sink_, handle = handle_, change, id] { sink->OnMixerChange(change, handle, id); });
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
        Post(MixerChange::Line, line.plan.id);
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
        Post(MixerChange::Control, id);
}

void AlsaMixerSession::Watch(std::stop_token stop) {
    std::vector<pollfd> fds;
    while (!stop.stop_requested()) {
        {
            std::lock_guard lock(mutex_);
            if (lost_)
                return;
            DescriptorsLocked(fds);
        }
        fds.push_back(pollfd{wake_.Fd(), POLLIN, 0});
        ::poll(fds.data(), fds.size(), kWatchTimeoutMs);  // only a wake-up
        if (stop.stop_requested())
            return;
        wake_.Clear();
        // Looks again under the lock: the dialog thread may have taken the events in meanwhile,
        // and on a card, reading events that are no longer there would block.
        std::lock_guard lock(mutex_);
        CatchUpLocked();
    }
}

}  // namespace zav::platform::alsa
