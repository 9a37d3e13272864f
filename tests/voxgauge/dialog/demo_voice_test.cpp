// The voice and mixer the simulated card brings when a person tries the program: the gauge
// keeps moving, and the volume slider changes how loud the voice arrives.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <set>

#include "dialog_rig.h"
#include "platform/sim/demo_mixer.h"
#include "platform/sim/demo_voice.h"

namespace voxgauge_test {
namespace {

TEST(DemoVoice, KeepsTheNeedleMovingWithPausesAndAJustRightMiddle) {
    sim::SimCardConfig config;
    config.mic = sim::SpeakingVoiceMic();
    Rig rig(config);
    ASSERT_TRUE(rig.window.Open());

    rig.Run(12000);

    const std::vector<int>& sets = rig.Gauge().valueSets;
    const std::set<int> levels(sets.begin(), sets.end());
    EXPECT_GE(sets.size(), 30u);
    EXPECT_GE(levels.size(), 5u);
    EXPECT_TRUE(levels.contains(0)) << "no pause reached the gauge";
    const auto justRight = std::count_if(sets.begin(), sets.end(),
                                         [](int level) { return level >= 5 && level <= 10; });
    EXPECT_GT(justRight, static_cast<long>(sets.size() / 3));
    EXPECT_LT(*levels.rbegin(), 14);
}

TEST(DemoVoice, FollowsTheMicrophoneVolumeOfTheDemoMixer) {
    auto volume = std::make_shared<std::atomic<std::uint32_t>>(0);
    sim::SimCardConfig config;
    config.mic = sim::SpeakingVoiceMic(volume);
    Rig rig(config, sim::DemoMixerTopology());
    sim::DemoMicVolumeLink link(rig.mixer, volume);
    EXPECT_EQ(volume->load(), sim::kDemoMicVolumeStart);
    ASSERT_TRUE(rig.window.Open());
    ASSERT_EQ(rig.Slider().position, static_cast<int>(sim::kDemoMicVolumeStart));

    rig.window.MoveSlider(voxgauge::kIdcMicVolume, 0, platform::ScrollCode::Top);
    rig.dispatcher.RunPending();
    EXPECT_EQ(volume->load(), 0u);
    rig.Run(3000);
    const std::size_t quietSets = rig.Gauge().valueSets.size();
    EXPECT_EQ(rig.Gauge().value, 0);

    rig.window.MoveSlider(voxgauge::kIdcMicVolume, 65535, platform::ScrollCode::Bottom);
    rig.dispatcher.RunPending();
    EXPECT_EQ(volume->load(), 65535u);
    rig.Run(6000);
    const std::vector<int>& sets = rig.Gauge().valueSets;
    ASSERT_GT(sets.size(), quietSets);
    EXPECT_GE(*std::max_element(sets.begin() + static_cast<long>(quietSets), sets.end()), 11);

    rig.window.Click(platform::kIdOk);
}

}  // namespace
}  // namespace voxgauge_test
