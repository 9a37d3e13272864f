#include "platform/sim/mixer_sim.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>

namespace zav::platform::sim {

namespace {

// One simulated device: its model and, by control id, the values it holds (ShapeOfValues
// layout) and the step its values land on.
struct SimDevice {
    MixerModel model{};
    std::map<std::uint32_t, std::vector<std::uint32_t>> values{};
    std::map<std::uint32_t, std::uint32_t> steps{};
};

ModelLine ToModel(const SimLine& line) {
    ModelLine model{.id = line.id, .type = line.type, .channels = line.channels, .name = line.name};
    for (const SimControl& control : line.controls) {
        model.controls.push_back(MixerControl{.controlId = control.id,
                                              .controlType = control.type,
                                              .controlFlags = control.flags,
                                              .multipleItems = control.items,
                                              .minimum = control.minimum,
                                              .maximum = control.maximum,
                                              .name = control.name});
    }
    return model;
}

// The device's model and values; throws std::invalid_argument for a contradictory one.
SimDevice ToDevice(const SimMixerDevice& device) {
    SimDevice made{.model = {.name = device.name}};
    std::vector<const SimLine*> lines;
    for (const SimDestination& destination : device.destinations) {
        ModelDestination& added = made.model.destinations.emplace_back();
        added.line = ToModel(destination.line);
        lines.push_back(&destination.line);
        for (const SimLine& source : destination.sources) {
            added.sources.push_back(ToModel(source));
            lines.push_back(&source);
        }
    }
    ValidateModel(made.model);
    for (const SimLine* line : lines) {
        for (const SimControl& control : line->controls) {
            const std::optional<ModelControl> at = FindControl(made.model, control.id);
            const auto count = static_cast<std::size_t>(at->Shape().Count());
            if (control.values.size() > count)
                throw std::invalid_argument("too many values for control " +
                                            std::to_string(control.id));
            // Values not given are 0; they are filled in when first read or written, so that a
            // control claiming billions of items costs nothing until someone addresses it.
            made.values[control.id] = control.values;
            made.steps[control.id] = control.step;
        }
    }
    return made;
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
std::uint32_t Stepped(const MixerControl& control, std::uint32_t step, std::uint32_t value) {
    if (step == 0 || value <= control.minimum)
        return value;
    const std::uint64_t steps = (std::uint64_t{value} - control.minimum + step / 2) / step;
    const std::uint64_t landed = control.minimum + steps * step;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(landed, control.maximum));
}

}  // namespace

struct SimMixer::State {
    SimMixerOptions options;
    std::vector<SimDevice> devices;  // the models are fixed; values guarded by valuesMutex
    mutable std::mutex valuesMutex;

    mutable std::mutex mutex;  // the rest
    FaultInjector<MixerCall, MixerResult, kAllMixerCalls.size()> failures;
    RuleViolationHandler onViolation = AbortOnRuleViolation;
    std::vector<MixerCallRecord> log;
    MixerCore* core = nullptr;

    // Counts the call, applies a matching fault or runs body, and logs the outcome. body gets
    // the record to complete what it learns (a line id found by index, for instance). Holds
    // mutex throughout, so the calls are logged in their order.
    template <typename Body>
    MixerResult Run(MixerCallRecord record, Body body) {
        std::lock_guard lock(mutex);
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

// One open handle: the device's model and its stored values.
class SimMixer::Session final : public MixerSession {
  public:
    Session(State& state, std::uint32_t deviceId) : state_(state), deviceId_(deviceId) {}

    const MixerModel& Model() const override { return Device().model; }

    MixerResult Read(const ModelControl& at, std::vector<std::uint32_t>& values) override {
        std::lock_guard lock(state_.valuesMutex);
        values = Device().values.at(at.control->controlId);
        values.resize(at.Shape().Count(), 0);
        return MixerResult::NoError;
    }

    MixerResult Write(const ModelControl& at, std::span<const std::uint32_t> values,
                      std::uint32_t channels) override {
        const std::uint32_t id = at.control->controlId;
        {
            std::lock_guard lock(state_.valuesMutex);
            std::vector<std::uint32_t>& stored = Device().values.at(id);
            const ValueShape shape = at.Shape();
            stored.resize(shape.Count(), 0);
            const std::uint32_t step = Device().steps.at(id);
            for (std::uint32_t item = 0; item < shape.items; ++item) {
                for (std::uint32_t channel = 0; channel < channels; ++channel) {
                    stored[item * shape.channels + channel] =
                        Stepped(*at.control, step, values[item * channels + channel]);
                }
            }
        }
        if (state_.options.echoWrites)
            state_.core->DeviceChange(deviceId_, MixerChange::Control, id);
        return MixerResult::NoError;
    }

  private:
    SimDevice& Device() const { return state_.devices[deviceId_]; }

    State& state_;
    const std::uint32_t deviceId_;
};

class SimMixer::Devices final : public MixerBackend {
  public:
    explicit Devices(State& state) : state_(state) {}

    std::uint32_t CountDevices() override {
        return static_cast<std::uint32_t>(state_.devices.size());
    }
    MixerResult DeviceCaps(std::uint32_t deviceId, MixerCaps& caps) override {
        if (deviceId >= state_.devices.size())
            return MixerResult::BadDeviceId;
        const MixerModel& model = state_.devices[deviceId].model;
        caps.name = model.name;
        caps.destinations = static_cast<std::uint32_t>(model.destinations.size());
        return MixerResult::NoError;
    }
    MixerResult OpenSession(std::uint32_t deviceId, MixerChangeReport,
                            std::unique_ptr<MixerSession>& session) override {
        // Changes reach every handle of a device at once (MixerCore::DeviceChange).
        if (deviceId >= state_.devices.size())
            return MixerResult::BadDeviceId;
        session = std::make_unique<Session>(state_, deviceId);
        return MixerResult::NoError;
    }
    bool EchoesWrites() const override { return state_.options.echoWrites; }

  private:
    State& state_;
};

SimMixer::SimMixer(MixerTopology topology, Dispatcher& dispatcher, SimMixerOptions options)
    : state_(std::make_unique<State>()) {
    state_->options = options;
    for (const SimMixerDevice& device : topology.devices)
        state_->devices.push_back(ToDevice(device));
    core_ = std::make_unique<MixerCore>(std::make_unique<Devices>(*state_), dispatcher);
    state_->core = core_.get();
}

SimMixer::~SimMixer() = default;

std::uint32_t SimMixer::GetNumDevs() {
    std::uint32_t count = 0;
    state_->Run({.call = MixerCall::GetNumDevs}, [&](MixerCallRecord&) {
        count = core_->GetNumDevs();
        return MixerResult::NoError;
    });
    return count;
}

MixerResult SimMixer::GetDevCaps(std::uint32_t deviceId, MixerCaps& caps) {
    return state_->Run({.call = MixerCall::GetDevCaps},
                       [&](MixerCallRecord&) { return core_->GetDevCaps(deviceId, caps); });
}

MixerResult SimMixer::GetDevCaps(MixerHandle mixer, MixerCaps& caps) {
    return state_->Run({.call = MixerCall::GetDevCaps},
                       [&](MixerCallRecord&) { return core_->GetDevCaps(mixer, caps); });
}

MixerResult SimMixer::Open(std::uint32_t deviceId, MixerNotificationSink* sink,
                           MixerHandle& handle) {
    handle = kNullMixer;
    return state_->Run({.call = MixerCall::Open},
                       [&](MixerCallRecord&) { return core_->Open(deviceId, sink, handle); });
}

MixerResult SimMixer::Close(MixerHandle mixer) {
    return state_->Run({.call = MixerCall::Close},
                       [&](MixerCallRecord&) { return core_->Close(mixer); });
}

MixerResult SimMixer::GetLineInfo(MixerHandle mixer, LineInfoQuery query, MixerLine& line) {
    MixerCallRecord record{.call = MixerCall::GetLineInfo,
                           .query = static_cast<std::uint32_t>(query)};
    if (query == LineInfoQuery::Destination || query == LineInfoQuery::Source)
        record.destination = line.destination;
    if (query == LineInfoQuery::Source)
        record.source = line.source;
    if (query == LineInfoQuery::LineId)
        record.lineId = line.lineId;
    return state_->Run(record, [&](MixerCallRecord& done) {
        const MixerResult result = core_->GetLineInfo(mixer, query, line);
        if (result == MixerResult::NoError)
            done.lineId = line.lineId;
        return result;
    });
}

MixerResult SimMixer::GetLineControls(MixerHandle mixer, LineControlsQuery query,
                                      MixerLineControls& request) {
    MixerCallRecord record{.call = MixerCall::GetLineControls,
                           .query = static_cast<std::uint32_t>(query)};
    if (query == LineControlsQuery::OneById)
        record.controlId = request.controlId;
    else
        record.lineId = request.lineId;
    return state_->Run(
        record, [&](MixerCallRecord&) { return core_->GetLineControls(mixer, query, request); });
}

MixerResult SimMixer::GetControlDetails(MixerHandle mixer, ControlDetailsQuery query,
                                        MixerControlDetails& details) {
    const MixerCallRecord record{.call = MixerCall::GetControlDetails,
                                 .query = static_cast<std::uint32_t>(query),
                                 .controlId = details.controlId,
                                 .channels = details.channels,
                                 .items = details.multipleItems};
    return state_->Run(
        record, [&](MixerCallRecord&) { return core_->GetControlDetails(mixer, query, details); });
}

MixerResult SimMixer::SetControlDetails(MixerHandle mixer, ControlDetailsSet how,
                                        const MixerControlDetails& details) {
    const MixerCallRecord record{.call = MixerCall::SetControlDetails,
                                 .query = static_cast<std::uint32_t>(how),
                                 .controlId = details.controlId,
                                 .channels = details.channels,
                                 .items = details.multipleItems};
    return state_->Run(
        record, [&](MixerCallRecord&) { return core_->SetControlDetails(mixer, how, details); });
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
    {
        std::lock_guard lock(state_->mutex);
        for (MixerCall call : kAllMixerCalls) {
            if (call != MixerCall::Close)
                state_->failures.Fail(call, MixerResult::NoDriver, 0, kEveryTime);
        }
    }
    for (std::uint32_t device = 0; device < state_->devices.size(); ++device) {
        for (const ModelDestination& destination : state_->devices[device].model.destinations) {
            core_->DeviceChange(device, MixerChange::Line, destination.line.id);
            for (const ModelLine& source : destination.sources)
                core_->DeviceChange(device, MixerChange::Line, source.id);
        }
    }
}

void SimMixer::SetViolationHandler(RuleViolationHandler handler) {
    std::lock_guard lock(state_->mutex);
    state_->onViolation = handler ? std::move(handler) : RuleViolationHandler(AbortOnRuleViolation);
}

MixerResult SimMixer::SetControlValues(std::uint32_t deviceId, std::uint32_t controlId,
                                       std::vector<std::uint32_t> values) {
    if (deviceId >= state_->devices.size())
        return MixerResult::BadDeviceId;
    const std::optional<ModelControl> at = FindControl(state_->devices[deviceId].model, controlId);
    if (!at)
        return MixerResult::InvalidControl;
    const auto count = static_cast<std::size_t>(at->Shape().Count());
    if (values.size() > count)
        return MixerResult::InvalidParam;
    values.resize(count, 0);
    {
        std::lock_guard lock(state_->valuesMutex);
        state_->devices[deviceId].values[controlId] = std::move(values);
    }
    core_->DeviceChange(deviceId, MixerChange::Control, controlId);
    return MixerResult::NoError;
}

MixerResult SimMixer::ChangeLine(std::uint32_t deviceId, std::uint32_t lineId) {
    if (deviceId >= state_->devices.size())
        return MixerResult::BadDeviceId;
    MixerLine line{.lineId = lineId};
    if (AnswerLineInfo(state_->devices[deviceId].model, LineInfoQuery::LineId, line) !=
        MixerResult::NoError) {
        return MixerResult::InvalidLine;
    }
    core_->DeviceChange(deviceId, MixerChange::Line, lineId);
    return MixerResult::NoError;
}

std::optional<std::vector<std::uint32_t>> SimMixer::ControlValues(std::uint32_t deviceId,
                                                                  std::uint32_t controlId) const {
    if (deviceId >= state_->devices.size())
        return std::nullopt;
    std::lock_guard lock(state_->valuesMutex);
    const auto& values = state_->devices[deviceId].values;
    auto found = values.find(controlId);
    if (found == values.end())
        return std::nullopt;
    std::vector<std::uint32_t> all = found->second;
    if (const std::optional<ModelControl> at =
            FindControl(state_->devices[deviceId].model, controlId)) {
        all.resize(at->Shape().Count(), 0);
    }
    return all;
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
    return core_->OpenHandleCount();
}

}  // namespace zav::platform::sim
