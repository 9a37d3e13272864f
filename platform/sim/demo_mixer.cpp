#include "platform/sim/demo_mixer.h"

#include "platform/sim/mixer_sim.h"

namespace zav::platform::sim {

namespace {

SimControl Volume(std::uint32_t id, std::string name, std::vector<std::uint32_t> values) {
    SimControl control;
    control.id = id;
    control.type = ControlType::Volume;
    control.name = std::move(name);
    control.values = std::move(values);
    return control;
}

SimControl Mute(std::uint32_t id, std::string name, bool muted) {
    SimControl control;
    control.id = id;
    control.type = ControlType::Mute;
    control.flags = kControlUniform;
    control.maximum = 1;
    control.name = std::move(name);
    control.values = {muted ? 1u : 0u};
    return control;
}

SimLine Line(std::uint32_t id, ComponentType type, std::uint32_t channels, std::string name,
             std::vector<SimControl> controls) {
    return SimLine{id, type, channels, std::move(name), std::move(controls)};
}

}  // namespace

MixerTopology DemoMixerTopology() {
    SimDestination speakers{
        Line(1, ComponentType::DstSpeakers, 2, "Speakers",
             {Volume(101, "Master Volume", {52000, 52000}), Mute(102, "Master Mute", false)}),
        {Line(11, ComponentType::SrcWaveOut, 2, "Wave",
              {Volume(103, "Wave Volume", {48000, 48000})}),
         Line(12, ComponentType::SrcMicrophone, 1, "Microphone",
              {Volume(104, "Microphone Volume", {20000}), Mute(105, "Microphone Mute", true)})}};
    SimDestination recording{
        Line(2, ComponentType::DstWaveIn, 2, "Recording Control",
             {Volume(201, "Recording Volume", {45000, 45000})}),
        {Line(21, ComponentType::SrcMicrophone, 1, "Microphone",
              {Mute(203, "Microphone Mute", false),
               Volume(kDemoMicVolumeControlId, "Microphone Volume", {kDemoMicVolumeStart})}),
         Line(22, ComponentType::SrcLine, 2, "Line In",
              {Volume(204, "Line In Volume", {30000, 30000})})}};
    MixerTopology topology;
    topology.devices.push_back(
        SimMixerDevice{"Simulated Mixer", {std::move(speakers), std::move(recording)}});
    return topology;
}

DemoMicVolumeLink::DemoMicVolumeLink(SimMixer& mixer,
                                     std::shared_ptr<std::atomic<std::uint32_t>> volume)
    : mixer_(mixer), volume_(std::move(volume)) {
    mixer_.Open(0, this, handle_);
    Refresh();
}

DemoMicVolumeLink::~DemoMicVolumeLink() {
    if (handle_ != kNullMixer)
        mixer_.Close(handle_);
}

void DemoMicVolumeLink::OnMixerChange(MixerChange, MixerHandle, std::uint32_t id) {
    if (id == kDemoMicVolumeControlId)
        Refresh();
}

void DemoMicVolumeLink::Refresh() {
    const auto values = mixer_.ControlValues(0, kDemoMicVolumeControlId);
    if (values && !values->empty())
        volume_->store(values->front(), std::memory_order_relaxed);
}

}  // namespace zav::platform::sim
