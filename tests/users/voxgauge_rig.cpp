#include "tests/users/voxgauge_rig.h"

#include <gtest/gtest.h>

#include <chrono>

#include "voxgauge/mic_env_record.h"

namespace random_user {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;
using platform::ComponentType;
using platform::ControlType;

namespace {

sim::SimControl Control(std::uint32_t id, ControlType type, std::uint32_t flags,
                        std::vector<std::uint32_t> values) {
    sim::SimControl control;
    control.id = id;
    control.type = type;
    control.flags = flags;
    control.values = std::move(values);
    const bool isSwitch = type == ControlType::Mute || type == ControlType::OnOff;
    const bool isList = type == ControlType::Mux;
    control.maximum = isSwitch || isList ? 1 : 65535;
    return control;
}

}  // namespace

sim::MixerTopology VoxGaugeMixer(bool withFader) {
    constexpr std::uint32_t kUniform = platform::kControlUniform;
    sim::SimLine recordingMic{22,
                              ComponentType::SrcMicrophone,
                              1,
                              "Microphone",
                              {Control(221, ControlType::Mute, kUniform, {0})}};
    if (withFader) {
        sim::SimControl fader = Control(kMicVolumeControl, ControlType::Volume, kUniform, {40000});
        fader.step = kMicVolumeStep;
        recordingMic.controls.push_back(fader);
    }
    recordingMic.controls.push_back(Control(223, ControlType::OnOff, kUniform, {1}));

    sim::SimControl mux =
        Control(202, ControlType::Mux, kUniform | platform::kControlMultiple, {0, 1, 0});
    mux.items = 3;
    sim::SimDestination speakers{{1,
                                  ComponentType::DstSpeakers,
                                  2,
                                  "Speakers",
                                  {Control(101, ControlType::Volume, 0, {50000, 48000}),
                                   Control(102, ControlType::Mute, kUniform, {0})}},
                                 {{11,
                                   ComponentType::SrcWaveOut,
                                   2,
                                   "Wave",
                                   {Control(111, ControlType::Volume, 0, {40000, 40000})}},
                                  {12,
                                   ComponentType::SrcMicrophone,
                                   1,
                                   "Microphone",
                                   {Control(121, ControlType::Mute, kUniform, {1}),
                                    Control(122, ControlType::Volume, 0, {1000})}}}};
    sim::SimDestination recording{{2,
                                   ComponentType::DstWaveIn,
                                   2,
                                   "Recording",
                                   {Control(201, ControlType::Volume, 0, {45000, 44000}), mux}},
                                  {{21,
                                    ComponentType::SrcLine,
                                    2,
                                    "Line In",
                                    {Control(211, ControlType::Volume, 0, {30000, 30001})}},
                                   recordingMic}};
    sim::MixerTopology topology;
    topology.devices.push_back({"Random User Mixer", {speakers, recording}});
    return topology;
}

VoxGaugeRig::VoxGaugeRig(ViolationLog& violations)
    : violations_(violations), topologies_{VoxGaugeMixer(false), VoxGaugeMixer(true)} {
    dialogThread_.SetViolationHandler(violations_.Handler("dispatcher"));
    for (std::size_t i = 0; i < mixers_.size(); ++i) {
        mixers_[i] = std::make_unique<sim::SimMixer>(topologies_[i], dialogThread_);
        mixers_[i]->SetViolationHandler(violations_.Handler("mixer"));
    }
}

VoxGaugeRig::~VoxGaugeRig() {
    EndDialog();
    // The mixers go on the dialog thread, where their notifications run.
    On([this] {
        for (auto& mixer : mixers_)
            mixer.reset();
    });
}

bool VoxGaugeRig::StartDialog(bool withFader, double speed, sim::MicSignal voice) {
    EndDialog();
    withFader_ = withFader;
    sim::SimCardConfig config;
    config.mic = std::move(voice);
    card_ = std::make_unique<sim::SimSoundCard>(std::move(config));
    card_->SetViolationHandler(violations_.Handler("card"));
    card_->StartThreads(std::chrono::milliseconds(1), speed);
    bool runs = false;
    On([&] {
        dialog_ = std::make_unique<voxgauge::CMicSetupDlg>(
            voxgauge::MicSetupServices{*card_, Mixer(), store_, dialogThread_, runner_});
        window_ = std::make_unique<sim::FakeDialog>(voxgauge::CMicSetupDlg::Template(), *dialog_,
                                                    &boxes_);
        runs = window_->Open();
    });
    return runs;
}

void VoxGaugeRig::EndDialog() {
    On([this] {
        window_.reset();  // OnDestroy, if the window still exists
        dialog_.reset();
    });
    if (card_ != nullptr) {
        card_->StopThreads();
        card_.reset();  // reports a device or hold left open
    }
}

void VoxGaugeRig::On(const std::function<void()>& f) {
    ASSERT_TRUE(dialogThread_.Send(f));
}

std::size_t VoxGaugeRig::OpenMixerHandles() const {
    std::size_t handles = 0;
    for (const auto& mixer : mixers_)
        handles += mixer->OpenHandleCount();
    return handles;
}

std::optional<platform::RegistryValue> VoxGaugeRig::StoredMicEnv() {
    platform::RegistryKey key;
    if (store_.OpenKey(platform::Hive::LocalMachine, voxgauge::kZavKeyPath, platform::Access::Read,
                       key) != platform::RegResult::Success) {
        return std::nullopt;
    }
    platform::RegistryValue value;
    if (key.Query(voxgauge::kMicEnvValueName, value) != platform::RegResult::Success)
        return std::nullopt;
    return value;
}

}  // namespace random_user
