// The real presenters on the host's dialogs, on the simulated card running on its own threads:
// VoxGauge's gauge follows the voice, its slider moves the mixer, the About box is owned by the
// dialog and OK stores MicEnv; without a sound card only the owned message box shows; KeyVoice
// selects key 6, records it with the meter lit and the key held pushed in, and stores it on OK.

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>

#include "dialog_driver.h"
#include "keyvoice/key_voice_app.h"
#include "keyvoice/resources.h"
#include "platform/sim/demo_mixer.h"
#include "platform/sim/mic_signal.h"
#include "platform/sim/mixer_sim.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/testing/memory_file_system.h"
#include "platform/testing/memory_registry.h"
#include "platform/win32/win32_multimedia_timer.h"
#include "platform/win32_dialogs/needle_gauge_window.h"
#include "tests/support/keyvoice_install.h"
#include "voxgauge/mic_env_record.h"
#include "voxgauge/resources.h"
#include "voxgauge/vox_gauge_app.h"

namespace win32_dialog_test {
namespace {

namespace sim = zav::platform::sim;

// A voice at peak 1800 reads as level 10 on VoxGauge's gauge.
constexpr std::int16_t kVoicePeak = 1800;
constexpr int kVoiceLevel = 10;
constexpr int kVolumeMaximum = 65535;
// Ticks at 0, 7282 ... 58256 are taken; 65538 lies above the range. The two ends come with
// the trackbar.
constexpr int kVolumeTicksShown = 9 + 2;

std::optional<platform::RegistryValue> StoredMicEnv(platform::RegistryStore& store) {
    return zav::test::ZavValue(store, voxgauge::kMicEnvValueName);
}

// Every text the window's children show, one after the other.
std::wstring ChildTexts(HWND window) {
    std::wstring all;
    for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[512] = {};
        ::GetWindowTextW(child, text, 512);
        all += text;
        all += L'|';
    }
    return all;
}

int CountColour(const std::vector<std::uint32_t>& pixels, std::uint32_t rgb) {
    return static_cast<int>(std::ranges::count_if(
        pixels, [rgb](std::uint32_t pixel) { return (pixel & 0xFFFFFF) == rgb; }));
}

// VoxGauge on the host's dialogs and the simulated card (config); a rule the card sees broken
// fails the test.
struct VoxGaugeRig {
    explicit VoxGaugeRig(sim::SimCardConfig config) : card(std::move(config)) {
        card.SetViolationHandler([](std::string_view message) { ADD_FAILURE() << message; });
    }

    win32::Win32Dispatcher dispatcher;
    win32::Win32DialogRunner runner;
    DialogDriver driver{dispatcher, runner};
    sim::SimSoundCard card;
    sim::SimMixer mixer{sim::DemoMixerTopology(), dispatcher};
    sim::MemoryRegistry store;
    voxgauge::CVoxGaugeApp app{{card, mixer, store, dispatcher, runner}};
};

TEST(VoxGaugeOnWin32, FollowsTheVoiceMovesTheMixerOwnsTheAboutBoxAndStoresOnOk) {
    sim::SimCardConfig config;
    config.mic = sim::SineMic(kVoicePeak, 220.0);
    VoxGaugeRig rig(std::move(config));
    auto& [dispatcher, runner, driver, card, mixer, store, app] = rig;
    card.StartThreads();

    const int result = driver.Run(
        voxgauge::kIddMicSetup,
        [&] {
            app.InitInstance();
            return app.DialogResult();
        },
        [&](DialogDriver& run) {
            using voxgauge::kIdcLevelGauge;
            using voxgauge::kIdcMicVolume;
            ASSERT_TRUE(run.WaitFor(
                [&] { return run.Window()->GetControlValue(kIdcLevelGauge) == kVoiceLevel; }));
            const HWND gauge = run.Control(kIdcLevelGauge);
            ASSERT_TRUE(run.WaitFor([&] { return win32::NeedlePosition(gauge) == kVoiceLevel; }));

            const HWND slider = run.Control(kIdcMicVolume);
            run.OnDialog([&] {
                EXPECT_EQ(run.Window()->GetSliderRangeMax(kIdcMicVolume), kVolumeMaximum);
                EXPECT_EQ(run.Window()->GetSliderPos(kIdcMicVolume),
                          static_cast<int>(sim::kDemoMicVolumeStart));
                EXPECT_EQ(::SendMessageW(slider, TBM_GETNUMTICS, 0, 0), kVolumeTicksShown);
            });
            // End on the slider: the mixer's microphone volume follows at once.
            DialogDriver::Key(slider, VK_END);
            ASSERT_TRUE(run.WaitFor([&] {
                const auto volume = mixer.ControlValues(0, sim::kDemoMicVolumeControlId);
                return volume && (*volume)[0] == kVolumeMaximum;
            }));

            // The About box is owned by the dialog, which is disabled while it shows.
            const HWND dialog = run.Dialog();
            DialogDriver::SystemCommand(dialog, voxgauge::kIdmAboutBox);
            const HWND about = WaitForWindow(L"About VoxGauge");
            ASSERT_NE(about, nullptr);
            EXPECT_EQ(::GetWindow(about, GW_OWNER), dialog);
            EXPECT_FALSE(::IsWindowEnabled(dialog));
            EXPECT_NE(ChildTexts(about).find(L"VoxGauge Version 1.0"), std::wstring::npos);
            DialogDriver::Key(about, VK_ESCAPE);
            ASSERT_TRUE(run.WaitFor([&] { return ::IsWindowEnabled(dialog) != FALSE; }));

            run.KeyToFocus(VK_RETURN);  // the focus is on OK, the first tab stop
            ASSERT_TRUE(run.WaitFor([&] { return run.Window() == nullptr; }));
        });
    card.StopThreads();

    EXPECT_EQ(result, platform::kIdOk);
    const std::optional<platform::RegistryValue> micEnv = StoredMicEnv(store);
    ASSERT_TRUE(micEnv.has_value());
    EXPECT_EQ(micEnv->data.size() % voxgauge::MicEnvRecord::kSize, 0u);
    EXPECT_FALSE(micEnv->data.empty());
    EXPECT_EQ(card.OpenInputCount(), 0u);
    EXPECT_EQ(card.HoldCount(), 0u);
}

TEST(VoxGaugeOnWin32, WithoutASoundCardOnlyTheOwnedMessageBoxShows) {
    sim::SimCardConfig config;
    config.inputs.clear();
    config.outputs.clear();
    VoxGaugeRig rig(std::move(config));
    auto& [dispatcher, runner, driver, card, mixer, store, app] = rig;
    bool dialogShown = false;
    runner.SetWindowObserver([&](win32::Win32DialogWindow&) { dialogShown = true; });

    std::wstring texts;
    HWND owner = nullptr;
    bool ownerVisible = true;
    wchar_t ownerCaption[64] = {};
    std::thread user([&] {
        const HWND box = WaitForWindow(L"Microphone Test Error");
        if (box == nullptr)
            return;
        texts = ChildTexts(box);
        owner = ::GetWindow(box, GW_OWNER);
        ownerVisible = ::IsWindowVisible(owner) != FALSE;
        ::GetWindowTextW(owner, ownerCaption, 64);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    });

    EXPECT_FALSE(app.InitInstance());
    user.join();

    EXPECT_EQ(app.DialogResult(), -1);
    EXPECT_FALSE(dialogShown);
    EXPECT_NE(texts.find(L"DirectSound"), std::wstring::npos);
    EXPECT_NE(owner, nullptr);
    EXPECT_FALSE(ownerVisible);
    EXPECT_EQ(std::wstring(ownerCaption), L"ZAV Microphone Setup");
    EXPECT_FALSE(StoredMicEnv(store).has_value());
}

TEST(KeyVoiceOnWin32, RecordsKey6WithTheMeterLitAndTheKeyHeldAndStoresItOnOk) {
    using namespace keyvoice;
    win32::Win32Dispatcher dispatcher;
    win32::Win32DialogRunner runner;
    DialogDriver driver(dispatcher, runner);
    sim::SimCardConfig config;
    // Loud enough for the recorder's meter, whose first segment wants a swing of some 2,900.
    config.mic = sim::SineMic(12000, 220.0);
    sim::SimSoundCard card(std::move(config));
    card.SetViolationHandler([](std::string_view message) { ADD_FAILURE() << message; });
    sim::SimMixer mixer(sim::DemoMixerTopology(), dispatcher);
    sim::MemoryRegistry store;
    sim::MemoryFileSystem files;
    zav::test::InstallKeyVoice(store, files);
    win32::Win32MultimediaTimer timer;
    CKeyVoiceApp app({card, mixer, timer, store, files, dispatcher, runner});
    card.StartThreads();
    int litPixels = 0;

    const int result = driver.Run(
        kIddKeyVoice,
        [&] {
            app.InitInstance();
            return app.DialogResult();
        },
        [&](DialogDriver& run) {
            auto enabled = [&](int id) { return run.Window()->IsControlEnabled(id); };
            run.OnDialog([&] {
                EXPECT_FALSE(enabled(kIdcPlay) || enabled(kIdcRec) || enabled(kIdcStop) ||
                             enabled(kIdcErase));
                EXPECT_TRUE(enabled(kIdcKey6) && enabled(kIdcKeyW) && enabled(platform::kIdOk));
                // PLAY, STOP and REC show pictures and tell their names in tool tips.
                EXPECT_EQ(::SendMessageW(run.Window()->ToolTipHandle(), TTM_GETTOOLCOUNT, 0, 0), 3);
                EXPECT_NE(::SendMessageW(run.Control(kIdcRec), BM_GETIMAGE, IMAGE_ICON, 0), 0);
            });
            const HWND key6 = run.Control(kIdcKey6);
            DialogDriver::Click(key6);
            ASSERT_TRUE(run.WaitFor([&] {
                return run.Window()->GetButtonState(kIdcKey6) && enabled(kIdcRec) &&
                       !enabled(kIdcPlay);
            }));

            DialogDriver::Click(run.Control(kIdcRec));
            ASSERT_TRUE(run.WaitFor([&] {
                return enabled(kIdcStop) && !enabled(kIdcKey6) && !enabled(platform::kIdOk);
            }));
            // While it records, the position moves, the meter lights and key 6 stays pushed in.
            ASSERT_TRUE(run.WaitFor([&] {
                const HWND meter = run.Window()->PaintedHandle(kIdcMeterFrame);
                litPixels = meter == nullptr ? 0 : CountColour(Picture(meter), 0x007F00);
                return litPixels > 0 && run.Window()->GetSliderPos(kIdcPosition) > 0;
            }));
            EXPECT_NE(::SendMessageW(key6, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);

            // After 2.00 seconds the take is there: PLAY, REC and Erase, key 6 still selected.
            ASSERT_TRUE(run.WaitFor([&] {
                return enabled(kIdcPlay) && enabled(kIdcRec) && enabled(kIdcErase) &&
                       !enabled(kIdcStop) && enabled(kIdcKey6);
            }));
            run.OnDialog([&] { EXPECT_TRUE(run.Window()->GetButtonState(kIdcKey6)); });

            DialogDriver::Click(run.Control(platform::kIdOk));
            ASSERT_TRUE(run.WaitFor([&] { return run.Window() == nullptr; }));
        });
    card.StopThreads();

    EXPECT_EQ(result, platform::kIdOk);
    EXPECT_GT(litPixels, 0);
    const std::optional<std::string> info = zav::test::ZavText(store, "Key6Info");
    ASSERT_TRUE(info.has_value());
    EXPECT_NE(info->find("cfff6.wax"), std::string::npos) << *info;
    std::vector<std::uint8_t> take;
    EXPECT_TRUE(
        files.ReadFile(std::string(zav::test::kSysPath) + "\\cfff6.wax", 1 << 20, take).Ok());
    EXPECT_GT(take.size(), 88200u / 2);
}

}  // namespace
}  // namespace win32_dialog_test
