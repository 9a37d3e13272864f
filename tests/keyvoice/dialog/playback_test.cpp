// PLAY and STOP on the shared manual clock: the device, the progress ticks and the dialog
// thread's queue move together, 100 ms a tick.

#include <gtest/gtest.h>

#include <span>

#include "keyvoice_rig.h"

namespace keyvoice_test {
namespace {

using platform::MmResult;
using zav::platform::WaveCall;
using zav::platform::WaveDirection;

std::vector<std::int16_t> SamplesOf(const Sound& sound, std::size_t fromByte = 0) {
    const std::span<const std::int16_t> all = sound.Samples();
    return {all.begin() + static_cast<std::ptrdiff_t>(fromByte / 2), all.end()};
}

void ExpectIdleWithHeaderRestored(KeyVoiceRig& rig, int builtinSlot, const char* what) {
    const Sound& sound = rig.Builtin(builtinSlot);
    EXPECT_EQ(rig.dialog->StateOfKey(rig.dialog->CurrentKey()), KeyState::Idle) << what;
    EXPECT_TRUE(rig.Enabled(kIdcPlay)) << what;
    EXPECT_FALSE(rig.Enabled(kIdcStop)) << what;
    EXPECT_TRUE(rig.Enabled(kIdcKey1)) << what;
    EXPECT_TRUE(rig.Enabled(zav::platform::kIdOk)) << what;
    EXPECT_FALSE(rig.dialog->ProgressTimerRunning()) << what;
    EXPECT_EQ(rig.timer.RunningEvents().size(), 0u) << what;
    EXPECT_EQ(sound.Header().wave.data,
              reinterpret_cast<const std::uint8_t*>(sound.Samples().data()))
        << what;
    EXPECT_EQ(sound.Header().wave.bufferLength, sound.ByteCount()) << what;
    EXPECT_EQ(rig.card.OpenOutputCount(), 0u) << what;
}

TEST(Playback, PlayFromTheStartPlaysTheWholeSoundWithTheSliderAndTheMeterFollowingIt) {
    KeyVoiceRig rig;
    ASSERT_TRUE(rig.Open());
    rig.Click(kIdcKey3);  // built-in slot 2: 0.7 s
    const Sound& sound = rig.Builtin(2);
    const auto size = static_cast<int>(sound.ByteCount());
    ASSERT_TRUE(rig.Click(kIdcPlay));
    EXPECT_FALSE(rig.Enabled(kIdcPlay));
    EXPECT_TRUE(rig.Enabled(kIdcStop));
    EXPECT_FALSE(rig.Enabled(kIdcKey3));
    EXPECT_FALSE(rig.Enabled(zav::platform::kIdOk));
    EXPECT_TRUE(rig.View().GetButtonState(kIdcKey3));  // the key stays drawn pushed in
    EXPECT_EQ(rig.View().FocusId(), kIdcStop);

    // The same stretches through an analyser of our own give the levels the meter must show.
    KeyVoiceAnalysers reference;
    int previous = 0;
    int ticks = 0;
    while (rig.dialog->StateOfKey(rig.dialog->CurrentKey()) == KeyState::Playing) {
        rig.Advance(100);
        const int slider = rig.Slider();
        if (slider == size)
            break;  // the sound has ended
        ++ticks;
        EXPECT_EQ(slider - previous, 4410) << "tick " << ticks;  // 100 ms of 16-bit mono
        const int expected = reference
                                 .MeterPlaybackBlock(sound.Samples().data() + previous / 2,
                                                     static_cast<std::uint32_t>(slider - previous))
                                 .level;
        EXPECT_EQ(rig.dialog->Meter().Level(), expected) << "tick " << ticks;
        previous = slider;
        ASSERT_LT(ticks, 20);
    }
    EXPECT_EQ(ticks, 6);
    EXPECT_GT(reference.playAnalyser.level, 0);  // the tone lit the meter on the way
    rig.Advance(100);
    EXPECT_EQ(rig.Slider(), size);
    EXPECT_EQ(rig.dialog->Meter().Level(), 0);
    EXPECT_EQ(rig.Played(), SamplesOf(sound));
    ExpectIdleWithHeaderRestored(rig, 2, "after the end");
}

TEST(Playback, TheSliderChoosesWhereTheNextPlayStarts) {
    KeyVoiceRig rig;
    ASSERT_TRUE(rig.Open());
    rig.Click(kIdcKey1);  // built-in slot 0: 0.5 s = 22,050 bytes
    const Sound& sound = rig.Builtin(0);

    // An odd position starts on the even byte below it.
    rig.View().UserMovesThumb(kIdcPosition, 0);
    rig.Click(kIdcPlay);  // sets the range
    rig.Click(kIdcStop);
    rig.View().UserMovesThumb(kIdcPosition, 1001);
    std::size_t before = rig.Played().size();
    rig.Click(kIdcPlay);
    rig.Advance(300);
    rig.Click(kIdcStop);
    const std::vector<std::int16_t> first = rig.Played();
    ASSERT_GT(first.size(), before);
    EXPECT_EQ(first[before], sound.Samples()[500]);  // byte 1000

    // STOP leaves the slider where the last tick put it; PLAY resumes there.
    const int resumeAt = rig.Slider();
    EXPECT_EQ(resumeAt, 1000 + 3 * 4410);
    before = first.size();
    rig.Click(kIdcPlay);
    rig.Advance(1000);
    EXPECT_EQ(rig.PlayedFrom(before), SamplesOf(sound, static_cast<std::size_t>(resumeAt)));

    // At the end the slider rests at its maximum, and the next PLAY starts from 0.
    EXPECT_EQ(rig.Slider(), static_cast<int>(sound.ByteCount()));
    before = rig.Played().size();
    rig.Click(kIdcPlay);
    rig.Advance(1000);
    EXPECT_EQ(rig.PlayedFrom(before), SamplesOf(sound));
    ExpectIdleWithHeaderRestored(rig, 0, "after the replay");
}

TEST(Playback, AFailedStartReturnsTheKeyToIdleWithNothingLeftOver) {
    for (const WaveCall failing : {WaveCall::Open, WaveCall::Queue}) {
        KeyVoiceRig rig;
        ASSERT_TRUE(rig.Open());
        rig.Click(kIdcKey2);
        rig.View().UserMovesThumb(kIdcPosition, 2000);
        rig.card.FailCall(WaveDirection::Out, failing, MmResult::NoMem);
        const int slider = rig.Slider();
        rig.Click(kIdcPlay);
        rig.Advance(300);
        const char* what = failing == WaveCall::Open ? "open" : "write";
        ExpectIdleWithHeaderRestored(rig, 1, what);
        EXPECT_EQ(rig.Slider(), slider) << what;
        EXPECT_TRUE(rig.boxes.shown.empty()) << what;
        // And it plays next time.
        rig.Click(kIdcPlay);
        rig.Advance(1000);
        ExpectIdleWithHeaderRestored(rig, 1, what);
        EXPECT_FALSE(rig.Played().empty()) << what;
    }
}

TEST(Playback, AnUnreadablePositionMovesNothingAndStopAsTheSoundEndsDropsTheEnd) {
    KeyVoiceRig rig;
    ASSERT_TRUE(rig.Open());
    rig.Click(kIdcKey1);  // 0.5 s
    rig.Click(kIdcPlay);
    rig.Advance(200);
    const int sliderBefore = rig.Slider();
    const int level = rig.dialog->Meter().Level();
    rig.card.FailCall(WaveDirection::Out, WaveCall::GetPosition, MmResult::Error);
    rig.Advance(100);
    EXPECT_EQ(rig.Slider(), sliderBefore);
    EXPECT_EQ(rig.dialog->Meter().Level(), level);
    rig.Advance(100);
    EXPECT_EQ(rig.Slider(), sliderBefore + 2 * 4410);  // counted from the last good tick

    const int slider = rig.Slider();
    // The device reaches the end and posts it, but the dialog thread has not run it yet.
    rig.card.AdvanceBy(150);
    ASSERT_GT(rig.dispatcher.PendingCount(), 0u);
    rig.Click(kIdcStop);
    rig.dispatcher.RunPending();
    rig.Advance(300);
    EXPECT_EQ(rig.Slider(), slider);  // no end-of-sound steps: the slider was not put at its end
    ExpectIdleWithHeaderRestored(rig, 0, "stop at the end");
    EXPECT_EQ(rig.card.CallCount(WaveDirection::Out, WaveCall::Close), 1u);
}

TEST(Playback, CancelWhilePlayingStopsTheDeviceBeforeAnythingIsReleased) {
    KeyVoiceRig rig;
    ASSERT_TRUE(rig.Open());
    rig.Click(kIdcKeyW);
    rig.Click(kIdcPlay);
    rig.Advance(200);
    rig.window->PressEscape();
    EXPECT_EQ(rig.window->Result(), zav::platform::kIdCancel);
    EXPECT_EQ(rig.card.OpenOutputCount(), 0u);
    EXPECT_EQ(rig.timer.RunningEvents().size(), 0u);
    rig.window.reset();
    rig.dialog.reset();  // under AddressSanitizer: nothing in use is freed
    rig.Advance(1000);
    EXPECT_EQ(rig.card.ViolationCount(), 0u);
}

}  // namespace
}  // namespace keyvoice_test
