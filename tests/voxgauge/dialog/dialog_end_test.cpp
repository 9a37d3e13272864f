// Ending the dialog: OK stores the snapshot, Esc and Close do not; both release everything.
// The About item of the window menu.

#include <gtest/gtest.h>

#include "dialog_rig.h"
#include "tests/support/snapshot_oracle.h"
#include "voxgauge/resources.h"
#include "voxgauge/vox_gauge_app.h"

namespace voxgauge_test {
namespace {

using zav::platform::WaveCall;
using zav::platform::WaveDirection;

void ExpectEverythingReleased(Rig& rig) {
    EXPECT_EQ(rig.card.OpenInputCount(), 0u);
    EXPECT_EQ(rig.card.HoldCount(), 0u);
    EXPECT_FALSE(rig.dialog.HoldsOutputDevice());
    EXPECT_EQ(rig.dialog.TimerId(), 0u);
    EXPECT_EQ(rig.window.Timers().RunningCount(), 0u);
}

TEST(DialogEnd, OkOrEnterStoresTheSnapshotWithTheVolumeTheUserSet) {
    for (const bool useEnter : {false, true}) {
        SCOPED_TRACE(useEnter ? "Enter" : "OK");
        Rig rig;
        ASSERT_TRUE(rig.window.Open());
        rig.window.MoveSlider(voxgauge::kIdcMicVolume, 30000);
        rig.Run(300);

        ASSERT_TRUE(useEnter ? rig.window.PressEnter() : rig.window.Click(platform::kIdOk));

        EXPECT_EQ(rig.window.Result(), platform::kIdOk);
        const std::optional<platform::RegistryValue> micEnv = rig.StoredMicEnv();
        ASSERT_TRUE(micEnv.has_value());
        EXPECT_EQ(micEnv->type, platform::ValueType::Binary);
        // In destination order: the speakers' microphone, then the recording side's (mute,
        // volume), each one uniform value.
        EXPECT_EQ(micEnv->data, zav::test::StoredBytes({
                                    {1, 0, kSpeakersMicLine, kMonitorVolumeControl, 1, 1, {1000}},
                                    {2, 0, kRecordingMicLine, kMicMuteControl, 1, 1, {0}},
                                    {2, 0, kRecordingMicLine, kMicVolumeControl, 1, 1, {30000}},
                                }));
        ExpectEverythingReleased(rig);
    }
}

// The store refuses the snapshot: the user is told, with the store's reason, and the dialog
// closes as OK does. A snapshot the mixer cannot give stays silent, as before.
TEST(DialogEnd, OkOnAStoreThatRefusesTheSnapshotSaysSoAndStillCloses) {
    struct Case {
        const char* what;
        void (*arrange)(sim::MemoryRegistry&);
        const char* reason;
    };
    const Case cases[] = {
        {"read-only store",
         [](sim::MemoryRegistry& store) { store.DenyAccess(platform::Access::Write); },
         "access denied"},
        {"the write fails", [](sim::MemoryRegistry& store) { store.FailChange(1); },
         "the store is damaged or cannot be read or written"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        ASSERT_TRUE(rig.window.Open());
        c.arrange(rig.store);
        testing::internal::CaptureStderr();
        ASSERT_TRUE(rig.window.Click(platform::kIdOk));
        const std::string err = testing::internal::GetCapturedStderr();

        EXPECT_EQ(rig.window.Result(), platform::kIdOk);
        const std::string text =
            "The microphone settings could not be saved: " + std::string(c.reason) + ".";
        ASSERT_EQ(rig.boxes.shown.size(), 1u);
        EXPECT_EQ(rig.boxes.shown[0].text, text);
        EXPECT_EQ(rig.boxes.shown[0].caption, "Error");
        EXPECT_EQ(rig.boxes.shown[0].style.icon, platform::MessageIcon::Error);
        EXPECT_EQ(err, "voxgauge: " + text + "\n");
        rig.store.AllowAllAccess();
        EXPECT_FALSE(rig.StoredMicEnv().has_value());
        ExpectEverythingReleased(rig);
    }
}

TEST(DialogEnd, EscapeAndCloseEndWithoutASnapshot) {
    for (const bool useClose : {false, true}) {
        SCOPED_TRACE(useClose ? "close box" : "Esc");
        Rig rig;
        ASSERT_TRUE(rig.window.Open());
        rig.window.MoveSlider(voxgauge::kIdcMicVolume, 30000);
        rig.Run(300);

        if (useClose) {
            rig.window.ChooseSystemCommand(platform::kSysCommandClose);
        } else {
            rig.window.PressEscape();
        }
        rig.window.Destroy();

        EXPECT_EQ(rig.window.Result(), platform::kIdCancel);
        EXPECT_FALSE(rig.StoreHasKey());
        ExpectEverythingReleased(rig);
    }
}

TEST(DialogEnd, AfterOkNoTickReachesTheGaugeAndDestroyFindsEverythingReleasedAlready) {
    sim::SimCardConfig config;
    config.mic = SteadyVoice();
    Rig rig(config);
    ASSERT_TRUE(rig.window.Open());
    rig.Run(500);
    rig.window.Click(platform::kIdOk);
    const std::uint32_t closes = rig.card.CallCount(WaveDirection::In, WaveCall::Close);
    const std::size_t sets = rig.Gauge().valueSets.size();
    rig.Run(1000);
    EXPECT_EQ(rig.Gauge().valueSets.size(), sets);

    rig.window.Destroy();
    rig.Run(500);  // buffers returned by the reset arrive after the engine closed

    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::Close), closes);
    EXPECT_EQ(rig.card.ViolationCount(), 0u);
    ExpectEverythingReleased(rig);
}

TEST(WindowMenu, TheAboutItemOpensTheAboutBoxAndOtherCommandsAreLeftToTheWindow) {
    Rig rig;
    ASSERT_TRUE(rig.window.Open());
    constexpr std::uint32_t kSysCommandMove = 0xF010;
    EXPECT_FALSE(rig.dialog.OnSysCommand(kSysCommandMove));
    EXPECT_FALSE(rig.dialog.OnSysCommand(0x0020));
    EXPECT_TRUE(rig.runner.Runs().empty());

    // The low four bits of a window command belong to the host and are ignored.
    for (const std::uint32_t command : {voxgauge::kIdmAboutBox, voxgauge::kIdmAboutBox | 0x3}) {
        rig.window.ChooseSystemCommand(command);
    }

    ASSERT_EQ(rig.runner.Runs().size(), 2u);
    for (const sim::FakeRun& run : rig.runner.Runs()) {
        EXPECT_EQ(run.templateId, voxgauge::kIddAboutBox);
        EXPECT_EQ(run.result, platform::kIdOk);
        EXPECT_TRUE(run.endedByUser);
    }
    EXPECT_FALSE(rig.window.Ended());
}

TEST(Application, RunsTheDialogToItsEndAndAnswersFalse) {
    sim::SimCardConfig config;
    config.mic = SteadyVoice();
    Rig rig(config);
    voxgauge::CVoxGaugeApp app({rig.card, rig.mixer, rig.store, rig.dispatcher, rig.runner});
    int gaugeSeen = -1;
    rig.runner.SetScript(voxgauge::kIddMicSetup, [&](sim::FakeDialog& window) {
        rig.Run(500, window);
        gaugeSeen = window.View().Control(voxgauge::kIdcLevelGauge).value;
        window.Click(platform::kIdOk);
    });

    EXPECT_FALSE(app.InitInstance());

    EXPECT_EQ(gaugeSeen, 11);
    EXPECT_EQ(app.DialogResult(), platform::kIdOk);
    EXPECT_TRUE(rig.StoredMicEnv().has_value());
    // Leaving InitInstance destroyed the dialog: capture and mixer are closed.
    EXPECT_EQ(rig.card.OpenInputCount(), 0u);
    EXPECT_EQ(rig.mixer.OpenHandleCount(), 0u);
}

TEST(Resources, TemplatePositionsAndTextsAreTheOnesTheDialogIsBuiltFrom) {
    const platform::DialogTemplate& dialog = voxgauge::MicSetupTemplate();
    EXPECT_EQ(dialog.caption, "ZAV Microphone Setup");
    EXPECT_EQ(dialog.width, 230);
    EXPECT_EQ(dialog.height, 202);
    ASSERT_EQ(dialog.controls.size(), 10u);
    const platform::ControlTemplate* ok = dialog.Find(platform::kIdOk);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->kind, platform::ControlKind::DefaultPushButton);
    EXPECT_EQ(ok->rect, (platform::DialogRect{175, 183, 50, 14}));
    const platform::ControlTemplate* gauge = dialog.Find(voxgauge::kIdcLevelGauge);
    ASSERT_NE(gauge, nullptr);
    EXPECT_EQ(gauge->rect, (platform::DialogRect{55, 26, 118, 74}));
    EXPECT_EQ(dialog.controls[5].text,
              "Speak into the microphone in a normal tone of voice until the volume needle is at "
              "\"Just Right !\".  You can adjust the microphone volume using the slider control "
              "below.");
}

}  // namespace
}  // namespace voxgauge_test
