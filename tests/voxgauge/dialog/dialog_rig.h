#pragma once
// The setup dialog with everything simulated: the sound card, the dialog thread's queue and the
// window's timers all moving with one manual clock the test advances, the mixer, the store in
// memory, a fake window, and a scripted user for the About box.

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
#include "platform/testing/sim_clock.h"
#include "tests/support/mixer_test_cards.h"
#include "tests/support/zav_values.h"
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

// A card whose recording side has a microphone with a mute switch and a volume fader, and whose
// speakers mix the microphone in as well. withVolume false leaves the fader out.
inline sim::MixerTopology TestMixer(bool withVolume = true) {
    using platform::ComponentType;
    sim::SimLine recordingMic{kRecordingMicLine,
                              ComponentType::SrcMicrophone,
                              1,
                              "Microphone",
                              {zav::test::MuteControl(kMicMuteControl, 0)}};
    if (withVolume) {
        recordingMic.controls.push_back(
            zav::test::VolumeControl(kMicVolumeControl, {kStartVolume}, platform::kControlUniform));
    }
    sim::SimDestination speakers{
        {kSpeakersLine,
         ComponentType::DstSpeakers,
         2,
         "Speakers",
         {zav::test::VolumeControl(kSpeakersVolumeControl, {50000}, platform::kControlUniform)}},
        {{kSpeakersMicLine,
          ComponentType::SrcMicrophone,
          1,
          "Microphone",
          {zav::test::VolumeControl(kMonitorVolumeControl, {1000}, platform::kControlUniform)}}}};
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
        clock.Attach(card);
        clock.Attach(window.Timers());
        clock.AttachDispatcher(dispatcher);
    }

    // Lets ms of time pass: the card records and returns buffers, the dialog thread runs what
    // was posted to it (returned buffers, mixer changes), the timers tick. other: a window the
    // test made itself, whose timers move too.
    void Run(std::uint32_t ms) { clock.Advance(ms); }
    void Run(std::uint32_t ms, sim::FakeDialog& other) {
        clock.Attach(other.Timers());
        clock.Advance(ms);
        clock.Detach(other.Timers());
    }

    std::optional<platform::RegistryValue> StoredMicEnv() {
        return zav::test::ZavValue(store, voxgauge::kMicEnvValueName);
    }

    void StoreBytes(std::string_view name, const std::vector<std::uint8_t>& bytes) {
        platform::RegistryKey key;
        ASSERT_EQ(store.CreateKey(platform::Hive::LocalMachine, voxgauge::kZavKeyPath,
                                  platform::Access::All, key),
                  platform::RegResult::Success);
        ASSERT_EQ(key.Set(name, platform::ValueType::Binary, bytes), platform::RegResult::Success);
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

    sim::SimClock clock;
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
