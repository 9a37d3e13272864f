// The gauge follows the captured level, and is set only when the level changes.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "dialog_rig.h"

namespace voxgauge_test {
namespace {

// One capture buffer: 11024 bytes of 16-bit stereo at 22050 Hz.
constexpr std::uint64_t kFramesPerBuffer = 2756;

// A tone whose loudness switches between two amplitudes with every capture buffer.
sim::MicSignal AlternatingVoice(double loud, double soft) {
    return [loud, soft](std::uint64_t frame, std::uint32_t, std::uint32_t rate) {
        const double amplitude = (frame / kFramesPerBuffer) % 2 == 0 ? loud : soft;
        const double phase = 2.0 * std::numbers::pi * 440.0 * static_cast<double>(frame) / rate;
        return static_cast<std::int16_t>(std::lround(amplitude * std::sin(phase)));
    };
}

sim::SimCardConfig WithVoice(sim::MicSignal mic) {
    sim::SimCardConfig config;
    config.mic = std::move(mic);
    return config;
}

TEST(LevelGauge, SilenceNeverSetsTheGaugeAgainAfterInitialisation) {
    Rig rig(WithVoice(sim::SilentMic()));
    ASSERT_TRUE(rig.window.Open());

    rig.Run(3000);

    EXPECT_GE(rig.window.Timers().TicksDelivered(voxgauge::kLevelTimerId), 29u);
    EXPECT_EQ(rig.Gauge().valueSets, std::vector<int>{0});
}

TEST(LevelGauge, ASteadyVoiceSetsTheGaugeOnceOnItsOwnTimerWhileTheBuffersKeepCirculating) {
    Rig rig(WithVoice(SteadyVoice()));
    ASSERT_TRUE(rig.window.Open());
    rig.card.AdvanceBy(500);
    rig.dispatcher.RunPending();
    rig.dialog.OnTimer(7);  // ticks of another timer are ignored
    EXPECT_EQ(rig.Gauge().valueSets, std::vector<int>{0});
    rig.dialog.OnTimer(voxgauge::kLevelTimerId);
    EXPECT_EQ(rig.Gauge().valueSets, (std::vector<int>{0, 11}));

    rig.Run(5000);  // more than twice the two seconds the 16 buffers hold

    EXPECT_EQ(rig.Gauge().valueSets, (std::vector<int>{0, 11}));
    EXPECT_EQ(rig.dialog.GaugeValue(), 11);
    EXPECT_EQ(rig.card.InputOverrunFrames(), 0u);
    EXPECT_EQ(rig.card.QueuedInputBuffers(), voxgauge::kMicBufferCount);
}

TEST(LevelGauge, ALevelThatAlternatesIsFollowedAtMostTenTimesASecond) {
    // Peaks of 3000 give level 11, peaks of 1000 level 8.
    Rig rig(WithVoice(AlternatingVoice(3000, 1000)));
    ASSERT_TRUE(rig.window.Open());

    rig.Run(4000);

    const std::vector<int>& sets = rig.Gauge().valueSets;
    ASSERT_GE(sets.size(), 10u);
    EXPECT_LE(sets.size(), 1u + rig.window.Timers().TicksDelivered(voxgauge::kLevelTimerId));
    for (std::size_t i = 1; i < sets.size(); ++i) {
        EXPECT_NE(sets[i], sets[i - 1]) << "the gauge was set again without a change, at " << i;
        if (i > 1) {
            EXPECT_TRUE(sets[i] == 11 || sets[i] == 8) << sets[i];
        }
    }
}

}  // namespace
}  // namespace voxgauge_test
