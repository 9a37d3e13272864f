#pragma once
// The setup dialog with everything simulated: the sound card and the mixer on a clock the test
// advances, the store in memory, a fake window, and a scripted user for the About box.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/registry/registry.h"
#include "platform/sim/mixer_sim.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/testing/fake_dialog_runner.h"
#include "platform/testing/manual_dispatcher.h"
#include "platform/testing/memory_registry.h"
#include "voxgauge/mic_env_record.h"
#include "voxgauge/mic_setup_dlg.h"

namespace voxgauge_test {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;

// Ids of the test mixer.
inline constexpr std::uint32_t kRecordingLine = 1;
inline constexpr std::uint32_t kRecordingMicLine = 2;
inline constexpr std::uint32_t kSpeakersLine = 3;
inline constexpr std::uint32_t kSpeakersMicLine = 4;
inline constexpr std::uint32_t kMicMuteControl = 10;
inline constexpr std::uint32_t kMicVolumeControl = 11;
inline constexpr std::uint32_t kMonitorVolumeControl = 12;
inline constexpr std::uint32_t kSpeakersVolumeControl = 13;
inline constexpr std::uint32_t kStartVolume = 40000;

inline sim::SimControl MakeControl(std::uint32_t id, platform::ControlType type,
                                   std::uint32_t value) {
    sim::SimControl control;
    control.id = id;
    control.type = type;
    control.flags = platform::kControlUniform;
    control.maximum = type == platform::ControlType::Mute ? 1 : 65535;
    control.values = {value};
    return control;
}

// A card whose recording side has a microphone with a mute switch and a volume fader, and whose
// speakers mix the microphone in as well. withVolume false leaves the fader out.
inline sim::MixerTopology TestMixer(bool withVolume = true) {
    using platform::ComponentType;
    using platform::ControlType;
    sim::SimLine recordingMic{kRecordingMicLine,
                              ComponentType::SrcMicrophone,
                              1,
                              "Microphone",
                              {MakeControl(kMicMuteControl, ControlType::Mute, 0)}};
    if (withVolume) {
        recordingMic.controls.push_back(
            MakeControl(kMicVolumeControl, ControlType::Volume, kStartVolume));
    }
    sim::SimDestination speakers{
        {kSpeakersLine,
         ComponentType::DstSpeakers,
         2,
         "Speakers",
         {MakeControl(kSpeakersVolumeControl, ControlType::Volume, 50000)}},
        {{kSpeakersMicLine,
          ComponentType::SrcMicrophone,
          1,
          "Microphone",
          {MakeControl(kMonitorVolumeControl, ControlType::Volume, 1000)}}}};
    sim::SimDestination recording{{kRecordingLine, ComponentType::DstWaveIn, 2, "Recording", {}},
                                  {recordingMic}};
    sim::MixerTopology topology;
    topology.devices.push_back({"Test Mixer", {speakers, recording}});
    return topology;
}

// A steady tone loud enough for a clear level: peak 3000 gives 11 with the built-in mic map.
inline sim::MicSignal SteadyVoice() {
    return sim::SineMic(3000, 440.0);
}

struct Rig {
    explicit Rig(sim::SimCardConfig config = {}, sim::MixerTopology topology = TestMixer())
        : card(std::move(config)), mixer(std::move(topology), dispatcher) {
        card.SetViolationHandler([](std::string_view message) { ADD_FAILURE() << message; });
    }

    // Lets ms of time pass in 10 ms steps: the card records and returns buffers, the dialog
    // thread runs what was posted to it (returned buffers, mixer changes), the timers tick.
    void Run(std::uint32_t ms) {
        constexpr std::uint32_t kStep = 10;
        for (std::uint32_t done = 0; done < ms; done += kStep) {
            card.AdvanceBy(kStep);
            dispatcher.RunPending();
            window.Timers().Advance(kStep);
        }
    }

    std::optional<platform::RegistryValue> StoredMicEnv() {
        platform::RegistryKey key;
        if (store.OpenKey(platform::Hive::LocalMachine, voxgauge::kZavKeyPath,
                          platform::Access::Read, key) != platform::RegResult::Success) {
            return std::nullopt;
        }
        platform::RegistryValue value;
        if (key.Query(voxgauge::kMicEnvValueName, value) != platform::RegResult::Success) {
            return std::nullopt;
        }
        return value;
    }

    bool StoreHasKey() {
        platform::RegistryKey key;
        return store.OpenKey(platform::Hive::LocalMachine, voxgauge::kZavKeyPath,
                             platform::Access::Read, key) == platform::RegResult::Success;
    }

    const sim::FakeControlState& Slider() { return window.View().Control(voxgauge::kIdcMicVolume); }
    const sim::FakeControlState& Gauge() { return window.View().Control(voxgauge::kIdcLevelGauge); }
    std::uint32_t MixerMicVolume() {
        return mixer.ControlValues(0, kMicVolumeControl).value_or(std::vector<std::uint32_t>{0})[0];
    }

    sim::ManualDispatcher dispatcher;
    sim::SimSoundCard card;
    sim::SimMixer mixer;
    sim::MemoryRegistry store;
    sim::RecordingMessageBoxes boxes;
    sim::FakeDialogRunner runner{boxes};
    voxgauge::CMicSetupDlg dialog{{card, mixer, store, dispatcher, runner}};
    sim::FakeDialog window{voxgauge::CMicSetupDlg::Template(), dialog, &boxes};
};

}  // namespace voxgauge_test
