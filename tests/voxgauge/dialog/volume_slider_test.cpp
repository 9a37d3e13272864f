// The volume slider and the mixer's microphone volume stay in step.

#include <gtest/gtest.h>

#include "dialog_rig.h"

namespace voxgauge_test {
namespace {

using platform::ScrollCode;
using sim::MixerCall;

TEST(VolumeSlider, SliderAndMicrophoneVolumeFollowEachOtherUntilTheWindowIsGone) {
    Rig rig;
    ASSERT_TRUE(rig.window.Open());

    // A line change of the microphone reads the volume again.
    const std::uint32_t readsAtStart = rig.mixer.CallCount(MixerCall::GetControlDetails);
    rig.mixer.ChangeLine(0, kRecordingMicLine);
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.mixer.CallCount(MixerCall::GetControlDetails), readsAtStart + 1);
    EXPECT_EQ(rig.Slider().position, static_cast<int>(kStartVolume));

    // A change made elsewhere moves the slider once its notification arrives.
    ASSERT_EQ(rig.mixer.SetControlValues(0, kMicVolumeControl, {23456}),
              platform::MixerResult::NoError);
    EXPECT_EQ(rig.Slider().position, static_cast<int>(kStartVolume));
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.Slider().position, 23456);
    EXPECT_EQ(rig.dialog.Mixer().Volume(), 23456u);

    // Every notification of the slider writes its position.
    const std::uint32_t writesBefore = rig.mixer.CallCount(MixerCall::SetControlDetails);
    const struct {
        int position;
        ScrollCode code;
    } moves[] = {
        {30000, ScrollCode::ThumbTrack},
        {31000, ScrollCode::ThumbTrack},
        {31000, ScrollCode::ThumbPosition},
        {31000, ScrollCode::EndTrack},
        {31001, ScrollCode::LineDown},
        {20000, ScrollCode::PageUp},
        {0, ScrollCode::Top},
        {65535, ScrollCode::Bottom},
    };
    std::uint32_t writes = 0;
    for (const auto& move : moves) {
        ASSERT_TRUE(rig.window.MoveSlider(voxgauge::kIdcMicVolume, move.position, move.code));
        ++writes;
        EXPECT_EQ(rig.MixerMicVolume(), static_cast<std::uint32_t>(move.position))
            << "code " << static_cast<int>(move.code);
        EXPECT_EQ(rig.mixer.CallCount(MixerCall::SetControlDetails), writesBefore + writes);
    }

    // The mixer's answer to a drag leaves the thumb where it was.
    rig.window.MoveSlider(voxgauge::kIdcMicVolume, 30000);
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.Slider().position, 30000);
    EXPECT_EQ(rig.MixerMicVolume(), 30000u);

    // The thumb has wandered without a notification; one for another control or line puts it
    // back to the last volume without reading the volume again.
    const std::uint32_t readsBefore = rig.mixer.CallCount(MixerCall::GetControlDetails);
    rig.window.View().UserMovesThumb(voxgauge::kIdcMicVolume, 100);
    rig.mixer.SetControlValues(0, kSpeakersVolumeControl, {1234});
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.Slider().position, 30000);
    rig.window.View().UserMovesThumb(voxgauge::kIdcMicVolume, 200);
    rig.mixer.ChangeLine(0, kSpeakersLine);
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.Slider().position, 30000);
    EXPECT_EQ(rig.mixer.CallCount(MixerCall::GetControlDetails), readsBefore);

    // Notifications after the window is gone move nothing.
    rig.window.PressEscape();
    rig.window.Destroy();
    const std::size_t setsBefore = rig.Slider().positionSets.size();
    rig.mixer.SetControlValues(0, kMicVolumeControl, {777});
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.Slider().positionSets.size(), setsBefore);
}

TEST(VolumeSlider, WithoutAVolumeControlTheSliderRestsDisabledAtZero) {
    Rig rig({}, TestMixer(/*withVolume=*/false));
    ASSERT_TRUE(rig.window.Open());

    EXPECT_FALSE(rig.Slider().enabled);
    EXPECT_EQ(rig.Slider().position, 0);
    EXPECT_FALSE(rig.window.MoveSlider(voxgauge::kIdcMicVolume, 5000));
    // A direct scroll message (as from the keyboard of a stale window) changes nothing either.
    rig.dialog.OnHScroll(voxgauge::kIdcMicVolume, ScrollCode::EndTrack);
    rig.mixer.SetControlValues(0, kMicMuteControl, {1});
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.Slider().position, 0);

    for (const sim::MixerCallRecord& call : rig.mixer.CallLog()) {
        EXPECT_NE(call.call, MixerCall::SetControlDetails);
        if (call.call == MixerCall::GetControlDetails) {
            ADD_FAILURE() << "volume read with control " << call.controlId;
        }
    }
}

TEST(VolumeSlider, WithoutAnyMixerTheDialogStillRuns) {
    Rig rig({}, sim::MixerTopology{});
    ASSERT_TRUE(rig.window.Open());

    EXPECT_FALSE(rig.Slider().enabled);
    EXPECT_TRUE(rig.window.Click(platform::kIdOk));
    EXPECT_EQ(rig.window.Result(), platform::kIdOk);
    EXPECT_FALSE(rig.StoreHasKey());
}

TEST(VolumeSlider, AMixerThatGoesAwayKeepsTheEarlierSnapshotAndTheDialogRunning) {
    Rig rig({.inputs = {sim::DefaultSimInputCaps()},
             .outputs = {sim::DefaultSimOutputCaps()},
             .fullDuplex = true,
             .mic = SteadyVoice()});
    rig.StoreBytes(voxgauge::kMicEnvValueName, std::vector<std::uint8_t>(20, 0x5A));
    ASSERT_TRUE(rig.window.Open());
    rig.Run(300);
    rig.mixer.Disappear();
    rig.Run(300);  // its line changes arrive: no volume can be read any more
    rig.window.MoveSlider(voxgauge::kIdcMicVolume, 1234);
    rig.Run(300);
    EXPECT_GT(rig.Gauge().value, 0);  // the capture goes on
    EXPECT_TRUE(rig.window.Click(platform::kIdOk));
    EXPECT_EQ(rig.window.Result(), platform::kIdOk);
    // Nothing could be read for a new snapshot: the earlier one stays.
    EXPECT_EQ(rig.StoredMicEnv()->data, std::vector<std::uint8_t>(20, 0x5A));
}

}  // namespace
}  // namespace voxgauge_test
