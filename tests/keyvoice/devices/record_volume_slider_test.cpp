// The record-volume slider and the microphone's volume control stay in step.

#include <gtest/gtest.h>

#include <vector>

#include "tests/keyvoice/devices/devices_rig.h"

namespace keyvoice_devices_test {
namespace {

using sim::MixerCall;

TEST(RecordVolumeSlider, TheThumbStandsUpsideDownOverTheVolumeAmongNineTicks) {
    // Nine ticks are asked for; the one beyond the range is refused.
    std::vector<int> asked;
    for (int k = 1; k <= 9; ++k)
        asked.push_back(7282 * k);
    const std::vector<int> placed(asked.begin(), asked.end() - 1);
    const struct {
        std::uint32_t volume;
        int position;
    } cases[] = {{0, 65535}, {65535, 0}, {30000, 35535}};
    for (const auto& c : cases) {
        DevicesRig rig({UsableCard(c.volume)});
        rig.Start();
        EXPECT_EQ(rig.devices.RecordVolume(), c.volume);
        EXPECT_EQ(rig.Slider().rangeMinimum, 0);
        EXPECT_EQ(rig.Slider().rangeMaximum, 65535);
        EXPECT_EQ(rig.Slider().position, c.position) << "volume " << c.volume;
        EXPECT_TRUE(rig.Slider().enabled);
        EXPECT_EQ(rig.Slider().ticRequests, asked);
        EXPECT_EQ(rig.Slider().tics, placed);
    }
}

TEST(RecordVolumeSlider, AnElementWithCoarseStepsPutsTheThumbWhereItsVolumeLanded) {
    // A card's element with 32 steps over the range rounds what it is given, as real ones do;
    // the notice of the change then moves the thumb to the volume the element took.
    sim::SimControl coarse = Volume(kMicVolume, 30000);
    coarse.step = 2048;
    DevicesRig rig({Card({MuteControl(kMicMute, 0), coarse})});
    rig.Start();
    rig.view.UserMovesThumb(kIdcRecordVolume, 7282);
    rig.devices.OnVScroll();
    EXPECT_EQ(rig.mixer.ControlValues(0, kMicVolume), (std::vector<std::uint32_t>{57344, 57344}));
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.devices.RecordVolume(), 57344u);
    EXPECT_EQ(rig.Slider().position, 65535 - 57344);
}

TEST(RecordVolumeSlider, OnlyChangesOfTheMicrophoneMoveTheSliderAndTheThumbSetsEveryChannel) {
    DevicesRig rig({UsableCard(30000)});
    rig.Start();

    ASSERT_EQ(rig.mixer.SetControlValues(0, kMicVolume, {40000, 40000}),
              platform::MixerResult::NoError);
    EXPECT_EQ(rig.Slider().position, 35535);  // not before the dialog thread runs the notice
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.Slider().position, 25535);
    EXPECT_EQ(rig.devices.RecordVolume(), 40000u);

    const std::uint32_t reads = rig.mixer.CallCount(MixerCall::GetControlDetails);
    rig.mixer.SetControlValues(0, kLineInVolume, {5, 5});
    rig.mixer.SetControlValues(0, kMicMute, {1});
    rig.mixer.ChangeLine(0, kRecordingLine);
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.Slider().position, 25535);
    EXPECT_EQ(rig.mixer.CallCount(MixerCall::GetControlDetails), reads);

    // A line change of the microphone reads the volume again.
    rig.mixer.SetControlValues(0, kMicVolume, {1000, 1000});
    rig.dispatcher.RunPending();
    rig.view.UserMovesThumb(kIdcRecordVolume, 5);
    rig.mixer.ChangeLine(0, kMicLine);
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.Slider().position, 64535);
    EXPECT_EQ(rig.mixer.CallCount(MixerCall::GetControlDetails), reads + 2);

    // Moving the thumb sets every channel, and the mixer's answer settles it.
    rig.view.UserMovesThumb(kIdcRecordVolume, 7282);
    rig.devices.OnVScroll();
    EXPECT_EQ(rig.devices.RecordVolume(), 58253u);
    EXPECT_EQ(rig.mixer.ControlValues(0, kMicVolume), (std::vector<std::uint32_t>{58253, 58253}));

    // The thumb wanders on before the mixer's notice arrives; the notice puts it where the
    // mixer says.
    rig.view.UserMovesThumb(kIdcRecordVolume, 100);
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.Slider().position, 7282);
}

TEST(RecordVolumeSlider, WithoutAMixerOneWarningADisabledSliderAtTheTopAndNoMixerCalls) {
    for (const auto& mixers :
         {std::vector<sim::SimMixerDevice>{}, std::vector{CardWithoutMicVolume()}}) {
        DevicesRig rig(mixers);
        rig.Start();
        ASSERT_EQ(rig.boxes.shown.size(), 1u);
        EXPECT_EQ(rig.boxes.shown[0].caption, "Warning");
        EXPECT_EQ(rig.devices.MixerDevice(), keyvoice::kNoDevice);
        EXPECT_FALSE(rig.Slider().enabled);
        EXPECT_EQ(rig.Slider().position, 0);
        EXPECT_EQ(rig.devices.RecordVolume(), keyvoice::kMaxRecordVolume);

        const std::size_t calls = rig.mixer.CallLog().size();
        rig.view.UserMovesThumb(kIdcRecordVolume, 20000);
        rig.devices.OnVScroll();
        rig.devices.OnMixerChange(platform::MixerChange::Control, platform::kNullMixer, 0);
        rig.devices.OnMixerChange(platform::MixerChange::Control, platform::kNullMixer, kMicVolume);
        rig.devices.EnableRecordVolume();
        EXPECT_EQ(rig.mixer.CallLog().size(), calls);
        EXPECT_FALSE(rig.Slider().enabled);
    }
}

TEST(RecordVolumeSlider, ALineWithoutChannelsStillReadsAndWritesOneValue) {
    sim::SimControl volume{.id = kMicVolume, .type = platform::ControlType::Volume};
    sim::SimMixerDevice card = Card({volume});
    card.destinations[1].sources[1].channels = 0;
    DevicesRig rig({card});
    rig.Start();
    ASSERT_EQ(rig.devices.MixerDevice(), 0);
    ASSERT_EQ(rig.devices.VolumeChannels(), 0u);

    rig.view.UserMovesThumb(kIdcRecordVolume, 1000);
    rig.devices.OnVScroll();
    rig.mixer.ChangeLine(0, kMicLine);
    rig.dispatcher.RunPending();
    // Init, the slider's read and write, the notice's read.
    EXPECT_EQ(rig.mixer.valueBufferSizes, (std::vector<std::size_t>{1, 1, 1, 1}));
    // The mixer refuses a line without channels; the volume stays the one last known.
    EXPECT_EQ(rig.devices.RecordVolume(), 64535u);
    EXPECT_EQ(rig.Slider().position, 1000);
}

}  // namespace
}  // namespace keyvoice_devices_test
