// The checks the setup dialog runs while its window is created, and what a successful start
// leaves the user with.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "dialog_rig.h"
#include "voxgauge/resources.h"
#include "voxgauge/vox_gauge_app.h"

namespace voxgauge_test {
namespace {

using platform::MmResult;
using sim::SimCall;
using zav::platform::WaveCall;
using zav::platform::WaveDirection;

constexpr std::uint32_t kExclamationOk = 0x30;

const std::string kMessage102 =
    "This computer does not support DirectSound 3.\n"
    "You will be able to use a microphone with Pim Pim on Zav.";
const std::string kMessage103 =
    "Your sound card does not support enhanced full duplex audio.  \n"
    "You will not be able to use a microphone with Pim Pim on Zav, the Quiet Planet. \n"
    "Please enjoy communicating with Pim Pim by pressing the one through zero keys \n"
    "on your keyboard. Press the W key to call Pim Pim. \n"
    "Please refer to \"\"Microphone Troubleshooting\"\" in your manual.";

struct FailedCheck {
    const char* name;
    bool inputs, outputs, fullDuplex;
    std::function<void(sim::SimSoundCard&)> faults;
    const std::string* text;
    std::string_view caption;
    std::uint32_t opensTried;  // calls of the wave-input open

    sim::SimCardConfig Card() const {
        sim::SimCardConfig config;
        if (!inputs)
            config.inputs.clear();
        if (!outputs)
            config.outputs.clear();
        config.fullDuplex = fullDuplex;
        return config;
    }
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FailedCheck& check, std::ostream* out) {
    *out << check.name;
}

void NoFaults(sim::SimSoundCard&) {}

const FailedCheck kFailedChecks[] = {
    {"NoSoundCard", false, false, true, NoFaults, &kMessage102, "Microphone Test Error", 0},
    {"OutputCannotBeShared", true, true, true,
     [](sim::SimSoundCard& card) { card.FailCall(SimCall::SetCooperativeLevel, MmResult::Error); },
     &kMessage102, "Microphone Test Error", 0},
    {"NoInputDevice", false, true, true, NoFaults, &kMessage103, "Microphone Check", 0},
    {"CaptureRefusedWhileOutputHeld", true, true, false, NoFaults, &kMessage103, "Microphone Check",
     1},
    {"CaptureFormatRefused", true, true, true,
     [](sim::SimSoundCard& card) {
         card.FailCall(WaveDirection::In, WaveCall::Open, MmResult::WaveBadFormat);
     },
     &kMessage103, "Microphone Check", 1},
};

class FailedStartUp : public testing::TestWithParam<FailedCheck> {};

TEST_P(FailedStartUp, ShowsOneMessageStopsTheCreationAndLeavesNothingHeldOrStored) {
    const FailedCheck& check = GetParam();
    Rig rig(check.Card());
    check.faults(rig.card);

    EXPECT_EQ(rig.window.Create(), -1);

    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_EQ(rig.boxes.shown[0].text, *check.text);
    EXPECT_EQ(rig.boxes.shown[0].caption, check.caption);
    EXPECT_EQ(rig.boxes.shown[0].style.Bits(), kExclamationOk);
    EXPECT_EQ(rig.window.CurrentPhase(), sim::FakeDialog::Phase::Destroyed);
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::Open), check.opensTried);

    rig.Run(500);
    EXPECT_FALSE(rig.dialog.HoldsOutputDevice());
    EXPECT_EQ(rig.card.HoldCount(), 0u);
    EXPECT_EQ(rig.card.OpenInputCount(), 0u);
    EXPECT_EQ(rig.mixer.OpenHandleCount(), 0u);
    EXPECT_FALSE(rig.StoreHasKey());
}

TEST_P(FailedStartUp, EndsTheProgramThroughTheApplication) {
    const FailedCheck& check = GetParam();
    Rig rig(check.Card());
    check.faults(rig.card);
    voxgauge::CVoxGaugeApp app({rig.card, rig.mixer, rig.store, rig.dispatcher, rig.runner});

    EXPECT_FALSE(app.InitInstance());

    ASSERT_EQ(rig.runner.Runs().size(), 1u);
    EXPECT_EQ(rig.runner.Runs()[0].templateId, voxgauge::kIddMicSetup);
    EXPECT_EQ(app.DialogResult(), -1);
    EXPECT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_FALSE(rig.StoreHasKey());
}

INSTANTIATE_TEST_SUITE_P(Checks, FailedStartUp, testing::ValuesIn(kFailedChecks),
                         [](const testing::TestParamInfo<FailedCheck>& param) {
                             return std::string(param.param.name);
                         });

TEST(StartUp, OpensCaptureInStereo22kWhileTheOutputIsHeldThenSetsUpMenuSliderAndTimer) {
    Rig rig;

    ASSERT_EQ(rig.window.Create(), 0);

    EXPECT_TRUE(rig.boxes.shown.empty());
    EXPECT_TRUE(rig.dialog.HoldsOutputDevice());
    EXPECT_EQ(rig.card.HoldCount(), 1u);
    ASSERT_EQ(rig.card.OpenInputFormats().size(), 1u);
    const platform::PcmWaveFormat format = rig.card.OpenInputFormats()[0];
    EXPECT_EQ(format.samplesPerSec, 22050u);
    EXPECT_EQ(format.bitsPerSample, 16u);
    EXPECT_EQ(format.channels, 2u);
    EXPECT_EQ(rig.card.QueuedInputBuffers(), voxgauge::kMicBufferCount);

    rig.window.Init();
    const auto& menu = rig.window.View().SystemMenuItems();
    ASSERT_EQ(menu.size(), 1u);
    EXPECT_EQ(menu[0].commandId, 16u);
    EXPECT_EQ(menu[0].text, "&About VoxGauge...");
    EXPECT_EQ(rig.window.View().Icon(), &voxgauge::MainFrameIcon());

    const sim::FakeControlState& slider = rig.Slider();
    EXPECT_TRUE(slider.enabled);
    EXPECT_EQ(slider.rangeMinimum, 0);
    EXPECT_EQ(slider.rangeMaximum, 65535);
    EXPECT_EQ(slider.position, static_cast<int>(kStartVolume));
    const std::vector<int> asked{0, 7282, 14564, 21846, 29128, 36410, 43692, 50974, 58256, 65538};
    EXPECT_EQ(slider.ticRequests, asked);
    EXPECT_EQ(slider.tics, std::vector<int>(asked.begin(), asked.end() - 1));

    EXPECT_EQ(rig.Gauge().valueSets, std::vector<int>{0});
    EXPECT_EQ(rig.dialog.TimerId(), 100u);
    EXPECT_EQ(rig.window.Timers().Period(100), 100u);
    // The dialog manager puts the focus on the first tab stop: OK.
    EXPECT_EQ(rig.window.View().FocusId(), platform::kIdOk);
}

TEST(StartUp, AFailedCaptureStartStillShowsTheDialogWithTheGaugeAtZero) {
    sim::SimCardConfig config;
    config.mic = SteadyVoice();
    Rig rig(config);
    rig.card.FailCall(WaveDirection::In, WaveCall::Start, MmResult::Error);

    ASSERT_TRUE(rig.window.Open());
    rig.Run(1000);

    EXPECT_TRUE(rig.boxes.shown.empty());
    EXPECT_EQ(rig.Gauge().value, 0);
    EXPECT_EQ(rig.Gauge().valueSets.size(), 1u);
}

TEST(StartUp, StoredMicMapDoesNotReachTheMetering) {
    // A stored map that would make every sound level 15 is overridden by the built-in one.
    sim::SimCardConfig config;
    config.mic = SteadyVoice();
    Rig rig(config);
    rig.StoreBytes(voxgauge::kMicMapValueName, std::vector<std::uint8_t>(64, 0));
    // The capture engine reads the map when it is made: a dialog made after the map is stored.
    voxgauge::CMicSetupDlg dialog({rig.card, rig.mixer, rig.store, rig.dispatcher, rig.runner});
    sim::FakeDialog window(voxgauge::CMicSetupDlg::Template(), dialog);
    ASSERT_TRUE(window.Open());
    rig.Run(500, window);
    EXPECT_EQ(window.View().Control(voxgauge::kIdcLevelGauge).value, 11);
}

}  // namespace
}  // namespace voxgauge_test
