// Finding the microphone volume control, reading and setting it, and following notifications.

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/mixer_test_cards.h"
#include "tests/voxgauge/mixer/mic_mixer_rig.h"

namespace zav::test {
namespace {

using platform::MixerResult;
using platform::sim::MixerCall;

TEST(MicMixerSearch, FindsTheRecordingMicrophonesVolumeAndKeepsItWhenASecondSearchFails) {
    MicMixerRig rig(RecordingCard());
    ASSERT_EQ(rig.micMixer.MixerInit(&rig.dialog), 1);
    ASSERT_EQ(rig.micMixer.GetMicConf(), 1);
    EXPECT_TRUE(rig.micMixer.HasVolumeControl());
    EXPECT_EQ(rig.micMixer.LineId(), kMicLine);  // not the speakers' microphone
    EXPECT_EQ(rig.micMixer.ControlId(), kMicVolume);
    EXPECT_EQ(rig.micMixer.Channels(), 2u);
    EXPECT_EQ(rig.micMixer.Items(), 1u);

    rig.micMixer.ChangeEnv(rig.micMixer.Handle(), rig.micMixer.ControlId());
    EXPECT_EQ(rig.micMixer.Volume(), 30000u);

    rig.sim.FailCall(MixerCall::GetDevCaps, MixerResult::Error, 0, zav::platform::sim::kEveryTime);
    EXPECT_EQ(rig.micMixer.GetMicConf(), 0);
    EXPECT_TRUE(rig.micMixer.HasVolumeControl());
    EXPECT_EQ(rig.micMixer.ControlId(), kMicVolume);
}

TEST(MicMixerSearch, WithoutARecordingMicrophoneNothingIsEverReadOrWritten) {
    auto topology = RecordingCard();
    // Leave only the line input on the recording side; the speakers keep their microphone.
    topology.devices[0].destinations[1].sources.pop_back();
    MicMixerRig rig(topology);
    rig.micMixer.MixerInit(&rig.dialog);
    EXPECT_EQ(rig.micMixer.GetMicConf(), 0);
    EXPECT_FALSE(rig.micMixer.HasVolumeControl());

    const std::size_t callsAfterSearch = rig.sim.CallLog().size();
    EXPECT_EQ(rig.micMixer.ChangeEnv(rig.micMixer.Handle(), 0u), 0);  // the unset ids are 0
    EXPECT_EQ(rig.micMixer.ChangeEnv(40000u), 0);
    rig.sim.SetControlValues(0, kLineInVolume, {1, 1});
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.sim.CallLog().size(), callsAfterSearch);
    EXPECT_EQ(rig.micMixer.Volume(), 0u);
}

TEST(MicMixerSearch, TheFirstMicrophoneDecidesEvenWithoutAVolumeControl) {
    auto topology = MicCard(2, {MuteControl(1, 0)});
    topology.devices[0].destinations[0].sources.push_back(
        {.id = 99, .type = ComponentType::SrcMicrophone, .controls = {VolumeControl(9, {})}});
    MicMixerRig rig(topology);
    rig.micMixer.MixerInit(&rig.dialog);
    EXPECT_EQ(rig.micMixer.GetMicConf(), 0);
    EXPECT_FALSE(rig.micMixer.HasVolumeControl());
}

TEST(MicMixerSearch, ControlsThatCannotBeAddressedCountAsNoControl) {
    struct Case {
        const char* what;
        std::uint32_t micChannels;
        SimControl volume;
    };
    const Case cases[] = {
        {"non-uniform on a line without channels", 0, VolumeControl(7, {})},
        {"multiple-item without items", 2, {.id = 7, .flags = kControlMultiple, .items = 0}},
        {"more values than any card has",
         2,
         {.id = 7, .flags = kControlMultiple, .items = 0x80000000u}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MicMixerRig rig(MicCard(c.micChannels, {c.volume}));
        rig.micMixer.MixerInit(&rig.dialog);
        EXPECT_EQ(rig.micMixer.GetMicConf(), 0);
        rig.micMixer.ChangeEnv(123u);
        EXPECT_EQ(rig.sim.CallCount(MixerCall::GetControlDetails), 0u);
        EXPECT_EQ(rig.sim.CallCount(MixerCall::SetControlDetails), 0u);
    }
}

// Uniform and non-uniform volume controls: the channel count kept differs, reads and writes
// always use one channel, and a write reaches every channel.
TEST(MicMixerVolume, ReadsAndWritesUseOneChannelWhateverTheControlsShape) {
    struct Case {
        const char* what;
        std::uint32_t micChannels;
        SimControl volume;
        std::uint32_t expectedChannels;
        std::uint32_t expectedItems;
        std::uint32_t expectedVolume;
        std::vector<std::uint32_t> afterWrite;
    };
    const Case cases[] = {
        {"uniform stereo", 2, VolumeControl(7, {40000}, kControlUniform), 1, 1, 40000, {777}},
        {"non-uniform stereo", 2, VolumeControl(7, {1000, 2000}), 2, 1, 1000, {777, 777}},
        {"non-uniform mono", 1, VolumeControl(7, {3000}), 1, 1, 3000, {777}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MicMixerRig rig(MicCard(c.micChannels, {MuteControl(6, 0), c.volume}));
        rig.Initialise();
        EXPECT_EQ(rig.micMixer.ControlId(), 7u);
        EXPECT_EQ(rig.micMixer.Channels(), c.expectedChannels);
        EXPECT_EQ(rig.micMixer.Items(), c.expectedItems);
        EXPECT_EQ(rig.micMixer.Volume(), c.expectedVolume);

        EXPECT_EQ(rig.micMixer.ChangeEnv(777u), 0);
        EXPECT_EQ(rig.micMixer.Volume(), 777u);
        EXPECT_EQ(rig.sim.ControlValues(0, 7), c.afterWrite);
        for (const auto& call : rig.sim.CallLog()) {
            if (call.call == MixerCall::GetControlDetails ||
                call.call == MixerCall::SetControlDetails) {
                EXPECT_EQ(call.channels, 1u);
                EXPECT_EQ(call.result, MixerResult::NoError);
            }
        }
    }
}

TEST(MicMixerVolume, TheSliderValueIsWrittenUnchangedAndAFailedWriteStillKeepsIt) {
    MicMixerRig rig(RecordingCard());
    rig.Initialise();
    rig.micMixer.ChangeEnv(65535u);
    EXPECT_EQ(rig.sim.ControlValues(0, kMicVolume), (std::vector<std::uint32_t>{65535, 65535}));

    rig.sim.FailCall(MixerCall::SetControlDetails, MixerResult::Error, 0,
                     zav::platform::sim::kEveryTime);
    rig.micMixer.ChangeEnv(100u);
    EXPECT_EQ(rig.micMixer.Volume(), 100u);
    EXPECT_EQ(rig.sim.ControlValues(0, kMicVolume), (std::vector<std::uint32_t>{65535, 65535}));

    rig.sim.FailCall(MixerCall::GetControlDetails, MixerResult::Error, 0,
                     zav::platform::sim::kEveryTime);
    rig.micMixer.ChangeEnv(200u);  // the read fails: nothing is written or kept
    EXPECT_EQ(rig.micMixer.Volume(), 100u);
}

TEST(MicMixerNotifications, OnlyTheMicrophoneLineOrVolumeReReadsTheVolume) {
    MicMixerRig rig(RecordingCard());
    rig.Initialise();
    ASSERT_EQ(rig.micMixer.Volume(), 30000u);

    // The mixer's answer to a write reports the written volume.
    rig.micMixer.ChangeEnv(22222u);
    ASSERT_EQ(rig.dispatcher.RunPending(), 1u);
    EXPECT_EQ(rig.dialog.received, (std::vector<std::uint32_t>{kMicVolume}));
    EXPECT_EQ(rig.micMixer.Volume(), 22222u);

    // Other controls change: the volume stays, and nothing is read for them.
    const std::uint32_t readsBefore = rig.sim.CallCount(MixerCall::GetControlDetails);
    rig.sim.SetControlValues(0, kMicMute, {1});
    rig.sim.SetControlValues(0, kLineInVolume, {5, 5});
    rig.sim.ChangeLine(0, kLineInLine);
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.dialog.received,
              (std::vector<std::uint32_t>{kMicVolume, kMicMute, kLineInVolume, kLineInLine}));
    EXPECT_EQ(rig.sim.CallCount(MixerCall::GetControlDetails), readsBefore);
    EXPECT_EQ(rig.micMixer.Volume(), 22222u);

    // Another program moves the microphone volume.
    rig.sim.SetControlValues(0, kMicVolume, {12000, 13000});
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.micMixer.Volume(), 12000u);

    // A line change of the microphone re-reads too, with no value change of its own.
    rig.sim.SetControlValues(0, kMicVolume, {500, 500});
    rig.micMixer.ChangeEnv(platform::kNullMixer, kLineInVolume);
    EXPECT_EQ(rig.micMixer.Volume(), 12000u);
    rig.micMixer.ChangeEnv(platform::kNullMixer, kMicLine);
    EXPECT_EQ(rig.micMixer.Volume(), 500u);
}

}  // namespace
}  // namespace zav::test
