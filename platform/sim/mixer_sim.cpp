#include "platform/sim/mixer_sim.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/sim/fault_injector.h"

namespace zav::platform::sim {

namespace {

struct OpenMixer {
    std::uint32_t deviceId = 0;
    MixerNotificationSink* sink = nullptr;
};

struct LineRef {
    const SimLine* line = nullptr;
    std::uint32_t destination = 0;
    std::uint32_t source = 0;
    std::uint32_t connections = 0;  // sources of a destination; 0 for a source
};

struct ControlRef {
    SimControl* control = nullptr;
    const SimLine* line = nullptr;
};

bool IsUniform(const SimControl& control) {
    return (control.flags & kControlUniform) != 0;
}
bool IsMultiple(const SimControl& control) {
    return (control.flags & kControlMultiple) != 0;
}

std::uint64_t StoredItems(const SimControl& control) {
    return IsMultiple(control) ? control.items : 1;
}
std::uint64_t StoredChannels(const SimControl& control, const SimLine& line) {
    return IsUniform(control) ? 1 : line.channels;
}
std::uint64_t StoredCount(const SimControl& control, const SimLine& line) {
    return StoredItems(control) * StoredChannels(control, line);
}

std::uint32_t ValueAt(const SimControl& control, std::uint64_t index) {
    return index < control.values.size() ? control.values[index] : 0;
}

bool WithinBounds(const SimControl& control, std::uint32_t value) {
    if (IsSignedControl(control.type)) {
        const auto v = static_cast<std::int32_t>(value);
        return v >= static_cast<std::int32_t>(control.minimum) &&
               v <= static_cast<std::int32_t>(control.maximum);
    }
    return value >= control.minimum && value <= control.maximum;
}

template <typename Visit>
void ForEachLine(const SimMixerDevice& device, Visit visit) {
    for (std::uint32_t d = 0; d < device.destinations.size(); ++d) {
        const SimDestination& destination = device.destinations[d];
        visit(LineRef{&destination.line, d, 0,
                      static_cast<std::uint32_t>(destination.sources.size())});
        for (std::uint32_t s = 0; s < destination.sources.size(); ++s) {
            visit(LineRef{&destination.sources[s], d, s, 0});
        }
    }
}

std::optional<LineRef> FindLine(const SimMixerDevice& device, std::uint32_t lineId) {
    std::optional<LineRef> found;
    ForEachLine(device, [&](const LineRef& ref) {
        if (!found && ref.line->id == lineId)
            found = ref;
    });
    return found;
}

std::optional<ControlRef> FindControl(SimMixerDevice& device, std::uint32_t controlId) {
    auto search = [controlId](SimLine& line) -> std::optional<ControlRef> {
        for (SimControl& control : line.controls) {
            if (control.id == controlId)
                return ControlRef{&control, &line};
        }
        return std::nullopt;
    };
    for (SimDestination& destination : device.destinations) {
        if (auto found = search(destination.line))
            return found;
        for (SimLine& source : destination.sources) {
            if (auto found = search(source))
                return found;
        }
    }
    return std::nullopt;
}

void FillLine(const LineRef& ref, MixerLine& line) {
    line.destination = ref.destination;
    line.source = ref.source;
    line.lineId = ref.line->id;
    line.componentType = ref.line->type;
    line.channels = ref.line->channels;
    line.connections = ref.connections;
    line.controls = static_cast<std::uint32_t>(ref.line->controls.size());
    line.name = ref.line->name;
}

void FillControl(const SimControl& control, MixerControl& out) {
    out.controlId = control.id;
    out.controlType = control.type;
    out.controlFlags = control.flags;
    out.multipleItems = IsMultiple(control) ? control.items : 0;
    out.minimum = control.minimum;
    out.maximum = control.maximum;
    out.name = control.name;
}

// The host's name of a call, for messages.
std::string_view CallName(MixerCall call) {
    switch (call) {
        case MixerCall::GetNumDevs:
            return "mixerGetNumDevs";
        case MixerCall::GetDevCaps:
            return "mixerGetDevCaps";
        case MixerCall::Open:
            return "mixerOpen";
        case MixerCall::Close:
            return "mixerClose";
        case MixerCall::GetLineInfo:
            return "mixerGetLineInfo";
        case MixerCall::GetLineControls:
            return "mixerGetLineControls";
        case MixerCall::GetControlDetails:
            return "mixerGetControlDetails";
        case MixerCall::SetControlDetails:
            return "mixerSetControlDetails";
    }
    return "mixer call";
}

// Where a value set through the mixer lands on a control with a step.
std::uint32_t Stepped(const SimControl& control, std::uint32_t value) {
    if (control.step == 0 || value <= control.minimum)
        return value;
    const std::uint64_t steps =
        (std::uint64_t{value} - control.minimum + control.step / 2) / control.step;
    const std::uint64_t landed = control.minimum + steps * control.step;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(landed, control.maximum));
}

// The host's rules for a details request on this control.
MixerResult CheckDetails(const SimControl& control, const SimLine& line,
                         const MixerControlDetails& details) {
    const bool channelsOk = IsUniform(control)
                                ? details.channels == 1
                                : details.channels >= 1 && details.channels <= line.channels;
    if (!channelsOk)
        return MixerResult::InvalidParam;
    const std::uint32_t expectedItems = IsMultiple(control) ? control.items : 0;
    if (details.multipleItems != expectedItems)
        return MixerResult::InvalidParam;
    const std::uint64_t needed =
        std::uint64_t{details.channels} * std::max<std::uint64_t>(details.multipleItems, 1);
    if (details.details.size() < needed)
        return MixerResult::InvalidParam;
    return MixerResult::NoError;
}

void ValidateTopology(const MixerTopology& topology) {
    for (const SimMixerDevice& device : topology.devices) {
        std::set<std::uint32_t> lineIds;
        std::set<std::uint32_t> controlIds;
        ForEachLine(device, [&](const LineRef& ref) {
            if (!lineIds.insert(ref.line->id).second) {
                throw std::invalid_argument("duplicate line id " + std::to_string(ref.line->id));
            }
            for (const SimControl& control : ref.line->controls) {
                if (!controlIds.insert(control.id).second) {
                    throw std::invalid_argument("duplicate control id " +
                                                std::to_string(control.id));
                }
                if (!IsMultiple(control) && control.items != 0) {
                    throw std::invalid_argument("items on a single-item control");
                }
                if (control.values.size() > StoredCount(control, *ref.line)) {
                    throw std::invalid_argument("too many values for control " +
                                                std::to_string(control.id));
                }
            }
        });
    }
}

}  // namespace

struct SimMixer::State {
    mutable std::mutex mutex;
    MixerTopology topology;
    std::map<std::uintptr_t, OpenMixer> open;
    std::uintptr_t nextHandle = 0x1000;  // apart from device numbers; never reused
    FaultInjector<MixerCall, MixerResult, kAllMixerCalls.size()> failures;
    RuleViolationHandler onViolation = AbortOnRuleViolation;
    std::vector<MixerCallRecord> log;

    SimMixerDevice* DeviceOf(MixerHandle handle) {
        auto it = open.find(static_cast<std::uintptr_t>(handle));
        return it == open.end() ? nullptr : &topology.devices[it->second.deviceId];
    }

    // Counts the call, applies a matching fault or runs body, and logs the outcome. body gets
    // the record to complete what it learns (a line id found by index, for instance).
    template <typename Body>
    MixerResult Run(MixerCallRecord record, Body body) {
        MixerResult failure = MixerResult::NoError;
        if (failures.OnCall(record.call, failure)) {
            record.result = failure;
            record.injected = true;
            log.push_back(record);
            return record.result;
        }
        record.result = body(record);
        log.push_back(record);
        if (record.result == MixerResult::InvalidHandle)
            onViolation(std::string(CallName(record.call)) + " on a mixer handle that is not open");
        return record.result;
    }
};

SimMixer::SimMixer(MixerTopology topology, Dispatcher& dispatcher)
    : state_(std::make_unique<State>()), notices_(dispatcher) {
    ValidateTopology(topology);
    state_->topology = std::move(topology);
}

SimMixer::~SimMixer() = default;

std::uint32_t SimMixer::GetNumDevs() {
    std::lock_guard lock(state_->mutex);
    const MixerResult result = state_->Run({.call = MixerCall::GetNumDevs},
                                           [](MixerCallRecord&) { return MixerResult::NoError; });
    if (result != MixerResult::NoError)
        return 0;
    return static_cast<std::uint32_t>(state_->topology.devices.size());
}

MixerResult SimMixer::GetDevCaps(std::uint32_t deviceId, MixerCaps& caps) {
    std::lock_guard lock(state_->mutex);
    return state_->Run({.call = MixerCall::GetDevCaps}, [&](MixerCallRecord&) {
        if (deviceId >= state_->topology.devices.size())
            return MixerResult::BadDeviceId;
        const SimMixerDevice& device = state_->topology.devices[deviceId];
        caps.name = device.name;
        caps.destinations = static_cast<std::uint32_t>(device.destinations.size());
        return MixerResult::NoError;
    });
}

MixerResult SimMixer::GetDevCaps(MixerHandle mixer, MixerCaps& caps) {
    std::lock_guard lock(state_->mutex);
    return state_->Run({.call = MixerCall::GetDevCaps}, [&](MixerCallRecord&) {
        const SimMixerDevice* device = state_->DeviceOf(mixer);
        if (device == nullptr)
            return MixerResult::InvalidHandle;
        caps.name = device->name;
        caps.destinations = static_cast<std::uint32_t>(device->destinations.size());
        return MixerResult::NoError;
    });
}

MixerResult SimMixer::Open(std::uint32_t deviceId, MixerNotificationSink* sink,
                           MixerHandle& handle) {
    std::lock_guard lock(state_->mutex);
    handle = kNullMixer;
    return state_->Run({.call = MixerCall::Open}, [&](MixerCallRecord&) {
        if (deviceId >= state_->topology.devices.size())
            return MixerResult::BadDeviceId;
        const std::uintptr_t value = state_->nextHandle++;
        state_->open[value] = OpenMixer{deviceId, sink};
        handle = MixerHandle{value};
        return MixerResult::NoError;
    });
}

MixerResult SimMixer::Close(MixerHandle mixer) {
    std::lock_guard lock(state_->mutex);
    return state_->Run({.call = MixerCall::Close}, [&](MixerCallRecord&) {
        if (state_->open.erase(static_cast<std::uintptr_t>(mixer)) == 0) {
            return MixerResult::InvalidHandle;
        }
        return MixerResult::NoError;
    });
}

MixerResult SimMixer::GetLineInfo(MixerHandle mixer, LineInfoQuery query, MixerLine& line) {
    std::lock_guard lock(state_->mutex);
    MixerCallRecord record{.call = MixerCall::GetLineInfo,
                           .query = static_cast<std::uint32_t>(query)};
    if (query == LineInfoQuery::Destination || query == LineInfoQuery::Source) {
        record.destination = line.destination;
    }
    if (query == LineInfoQuery::Source)
        record.source = line.source;
    if (query == LineInfoQuery::LineId)
        record.lineId = line.lineId;

    return state_->Run(record, [&](MixerCallRecord& done) {
        const SimMixerDevice* device = state_->DeviceOf(mixer);
        if (device == nullptr)
            return MixerResult::InvalidHandle;
        std::optional<LineRef> found;
        switch (query) {
            case LineInfoQuery::Destination:
            case LineInfoQuery::Source: {
                if (line.destination >= device->destinations.size()) {
                    return MixerResult::InvalidParam;
                }
                const SimDestination& destination = device->destinations[line.destination];
                if (query == LineInfoQuery::Destination) {
                    found = LineRef{&destination.line, line.destination, 0,
                                    static_cast<std::uint32_t>(destination.sources.size())};
                } else {
                    if (line.source >= destination.sources.size()) {
                        return MixerResult::InvalidParam;
                    }
                    found = LineRef{&destination.sources[line.source], line.destination,
                                    line.source, 0};
                }
                break;
            }
            case LineInfoQuery::LineId:
                found = FindLine(*device, line.lineId);
                break;
            case LineInfoQuery::ComponentType:
                ForEachLine(*device, [&](const LineRef& ref) {
                    if (!found && ref.line->type == line.componentType)
                        found = ref;
                });
                break;
            default:
                return MixerResult::InvalidFlag;
        }
        if (!found)
            return MixerResult::InvalidLine;
        FillLine(*found, line);
        done.lineId = line.lineId;
        return MixerResult::NoError;
    });
}

MixerResult SimMixer::GetLineControls(MixerHandle mixer, LineControlsQuery query,
                                      MixerLineControls& request) {
    std::lock_guard lock(state_->mutex);
    MixerCallRecord record{.call = MixerCall::GetLineControls,
                           .query = static_cast<std::uint32_t>(query)};
    if (query == LineControlsQuery::OneById) {
        record.controlId = request.controlId;
    } else {
        record.lineId = request.lineId;
    }

    return state_->Run(record, [&](MixerCallRecord&) {
        SimMixerDevice* device = state_->DeviceOf(mixer);
        if (device == nullptr)
            return MixerResult::InvalidHandle;
        switch (query) {
            case LineControlsQuery::All: {
                std::optional<LineRef> line = FindLine(*device, request.lineId);
                if (!line)
                    return MixerResult::InvalidLine;
                const auto& controls = line->line->controls;
                if (controls.empty() || request.controls.size() != controls.size()) {
                    return MixerResult::InvalidParam;
                }
                for (std::size_t i = 0; i < controls.size(); ++i) {
                    FillControl(controls[i], request.controls[i]);
                }
                return MixerResult::NoError;
            }
            case LineControlsQuery::OneById: {
                if (request.controls.size() != 1)
                    return MixerResult::InvalidParam;
                std::optional<ControlRef> control = FindControl(*device, request.controlId);
                if (!control)
                    return MixerResult::InvalidControl;
                FillControl(*control->control, request.controls[0]);
                request.lineId = control->line->id;
                return MixerResult::NoError;
            }
            case LineControlsQuery::OneByType: {
                if (request.controls.size() != 1)
                    return MixerResult::InvalidParam;
                std::optional<LineRef> line = FindLine(*device, request.lineId);
                if (!line)
                    return MixerResult::InvalidLine;
                for (const SimControl& control : line->line->controls) {
                    if (control.type == request.controlType) {
                        FillControl(control, request.controls[0]);
                        return MixerResult::NoError;
                    }
                }
                return MixerResult::InvalidControl;
            }
        }
        return MixerResult::InvalidFlag;
    });
}

MixerResult SimMixer::GetControlDetails(MixerHandle mixer, ControlDetailsQuery query,
                                        MixerControlDetails& details) {
    std::lock_guard lock(state_->mutex);
    const MixerCallRecord record{.call = MixerCall::GetControlDetails,
                                 .query = static_cast<std::uint32_t>(query),
                                 .controlId = details.controlId,
                                 .channels = details.channels,
                                 .items = details.multipleItems};
    return state_->Run(record, [&](MixerCallRecord&) {
        SimMixerDevice* device = state_->DeviceOf(mixer);
        if (device == nullptr)
            return MixerResult::InvalidHandle;
        if (query == ControlDetailsQuery::ListText)
            return MixerResult::NotSupported;
        if (query != ControlDetailsQuery::Value)
            return MixerResult::InvalidFlag;
        std::optional<ControlRef> found = FindControl(*device, details.controlId);
        if (!found)
            return MixerResult::InvalidControl;
        const SimControl& control = *found->control;
        if (MixerResult checked = CheckDetails(control, *found->line, details);
            checked != MixerResult::NoError) {
            return checked;
        }
        const std::uint64_t stored = StoredChannels(control, *found->line);
        const std::uint32_t items = std::max<std::uint32_t>(details.multipleItems, 1);
        for (std::uint32_t item = 0; item < items; ++item) {
            for (std::uint32_t channel = 0; channel < details.channels; ++channel) {
                details.details[item * details.channels + channel] =
                    ValueAt(control, item * stored + channel);
            }
        }
        return MixerResult::NoError;
    });
}

MixerResult SimMixer::SetControlDetails(MixerHandle mixer, ControlDetailsSet how,
                                        const MixerControlDetails& details) {
    std::uint32_t deviceId = 0;
    MixerResult result = MixerResult::NoError;
    {
        std::lock_guard lock(state_->mutex);
        const MixerCallRecord record{.call = MixerCall::SetControlDetails,
                                     .query = static_cast<std::uint32_t>(how),
                                     .controlId = details.controlId,
                                     .channels = details.channels,
                                     .items = details.multipleItems};
        result = state_->Run(record, [&](MixerCallRecord&) {
            auto it = state_->open.find(static_cast<std::uintptr_t>(mixer));
            if (it == state_->open.end())
                return MixerResult::InvalidHandle;
            deviceId = it->second.deviceId;
            if (how == ControlDetailsSet::Custom)
                return MixerResult::NotSupported;
            if (how != ControlDetailsSet::Value)
                return MixerResult::InvalidFlag;
            std::optional<ControlRef> found =
                FindControl(state_->topology.devices[deviceId], details.controlId);
            if (!found)
                return MixerResult::InvalidControl;
            SimControl& control = *found->control;
            if (MixerResult checked = CheckDetails(control, *found->line, details);
                checked != MixerResult::NoError) {
                return checked;
            }
            const std::uint32_t items = std::max<std::uint32_t>(details.multipleItems, 1);
            const std::uint64_t needed = std::uint64_t{details.channels} * items;
            for (std::uint64_t i = 0; i < needed; ++i) {
                if (!WithinBounds(control, details.details[i]))
                    return MixerResult::InvalidValue;
            }
            const std::uint64_t stored = StoredChannels(control, *found->line);
            control.values.resize(StoredCount(control, *found->line), 0);
            // One channel on a non-uniform control sets every channel alike.
            const bool allChannels = details.channels == 1 && stored > 1;
            for (std::uint32_t item = 0; item < items; ++item) {
                for (std::uint64_t channel = 0; channel < stored; ++channel) {
                    if (!allChannels && channel >= details.channels)
                        break;
                    const std::uint64_t from = allChannels ? 0 : channel;
                    control.values[item * stored + channel] =
                        Stepped(control, details.details[item * details.channels + from]);
                }
            }
            return MixerResult::NoError;
        });
    }
    if (result == MixerResult::NoError)
        Notify(deviceId, MixerChange::Control, details.controlId);
    return result;
}

void SimMixer::FailCall(MixerCall call, MixerResult result, std::uint32_t afterCalls,
                        std::uint32_t times) {
    std::lock_guard lock(state_->mutex);
    state_->failures.Fail(call, result, afterCalls, times);
}

void SimMixer::ClearFailures() {
    std::lock_guard lock(state_->mutex);
    state_->failures.Clear();
}

void SimMixer::Disappear() {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> lines;  // device, line id
    {
        std::lock_guard lock(state_->mutex);
        for (MixerCall call : kAllMixerCalls) {
            if (call != MixerCall::Close)
                state_->failures.Fail(call, MixerResult::NoDriver, 0, kEveryTime);
        }
        for (std::uint32_t device = 0; device < state_->topology.devices.size(); ++device) {
            ForEachLine(state_->topology.devices[device],
                        [&](const LineRef& ref) { lines.emplace_back(device, ref.line->id); });
        }
    }
    for (const auto& [device, line] : lines)
        Notify(device, MixerChange::Line, line);
}

void SimMixer::SetViolationHandler(RuleViolationHandler handler) {
    std::lock_guard lock(state_->mutex);
    state_->onViolation = handler ? std::move(handler) : RuleViolationHandler(AbortOnRuleViolation);
}

MixerResult SimMixer::SetControlValues(std::uint32_t deviceId, std::uint32_t controlId,
                                       std::vector<std::uint32_t> values) {
    {
        std::lock_guard lock(state_->mutex);
        if (deviceId >= state_->topology.devices.size())
            return MixerResult::BadDeviceId;
        std::optional<ControlRef> found =
            FindControl(state_->topology.devices[deviceId], controlId);
        if (!found)
            return MixerResult::InvalidControl;
        if (values.size() > StoredCount(*found->control, *found->line)) {
            return MixerResult::InvalidParam;
        }
        found->control->values = std::move(values);
    }
    Notify(deviceId, MixerChange::Control, controlId);
    return MixerResult::NoError;
}

MixerResult SimMixer::ChangeLine(std::uint32_t deviceId, std::uint32_t lineId) {
    {
        std::lock_guard lock(state_->mutex);
        if (deviceId >= state_->topology.devices.size())
            return MixerResult::BadDeviceId;
        if (!FindLine(state_->topology.devices[deviceId], lineId))
            return MixerResult::InvalidLine;
    }
    Notify(deviceId, MixerChange::Line, lineId);
    return MixerResult::NoError;
}

void SimMixer::Notify(std::uint32_t deviceId, MixerChange change, std::uint32_t id) {
    std::vector<std::uintptr_t> targets;
    {
        std::lock_guard lock(state_->mutex);
        for (const auto& [handle, open] : state_->open) {
            if (open.deviceId == deviceId && open.sink != nullptr)
                targets.push_back(handle);
        }
    }
    for (std::uintptr_t handle : targets) {
        notices_.Post([state = state_.get(), handle, change, id] {
            MixerNotificationSink* sink = nullptr;
            {
                std::lock_guard lock(state->mutex);
                // The handle may have been closed since the change: then its sink may be gone.
                auto it = state->open.find(handle);
                if (it != state->open.end())
                    sink = it->second.sink;
            }
            if (sink != nullptr)
                sink->OnMixerChange(change, MixerHandle{handle}, id);
        });
    }
}

std::optional<std::vector<std::uint32_t>> SimMixer::ControlValues(std::uint32_t deviceId,
                                                                  std::uint32_t controlId) const {
    std::lock_guard lock(state_->mutex);
    if (deviceId >= state_->topology.devices.size())
        return std::nullopt;
    std::optional<ControlRef> found = FindControl(state_->topology.devices[deviceId], controlId);
    if (!found)
        return std::nullopt;
    std::vector<std::uint32_t> values = found->control->values;
    const std::uint64_t count = StoredCount(*found->control, *found->line);
    if (values.size() < count)
        values.resize(count, 0);
    return values;
}

std::vector<MixerCallRecord> SimMixer::CallLog() const {
    std::lock_guard lock(state_->mutex);
    return state_->log;
}

std::uint32_t SimMixer::CallCount(MixerCall call) const {
    std::lock_guard lock(state_->mutex);
    return state_->failures.Count(call);
}

std::size_t SimMixer::OpenHandleCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->open.size();
}

}  // namespace zav::platform::sim
