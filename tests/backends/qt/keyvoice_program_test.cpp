// KeyVoice as a person meets it on the simulated card: the real recorder dialog in a Qt window,
// on a demo installation made by zavtool in a temporary folder. Key 6 is selected and recorded
// from the card's speaking voice, and OK stores the take as a .wax file registered in the store.
// Screenshots are taken at the start (no key selected: PLAY, STOP and REC disabled), mid-take
// (meter lit, key 6 pushed in) and after the take (PLAY and REC back, STOP disabled).

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "keysound/config_store.h"
#include "keyvoice/key_voice_app.h"
#include "keyvoice/resources.h"
#include "platform/hardware/audio_backend_list.h"
#include "platform/posix/posix_file_system.h"
#include "platform/qt/qt_dialog_runner.h"
#include "platform/qt/qt_dialog_window.h"
#include "platform/qt/qt_dispatcher.h"
#include "platform/sim/mic_signal.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/testing/memory_registry.h"
#include "platform/timer/thread_timer.h"
#include "qt_test_environment.h"
#include "tests/platform/registry/temp_folder.h"
#include "tools/zavtool/command.h"

namespace {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;
using platform::qt::QtDialogRunner;
using platform::qt::QtDialogWindow;
using platform::qt::QtDispatcher;

void SaveScreenshot(QWidget& window, const QString& name) {
    ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZAV_SCREENSHOT_DIR)));
    EXPECT_TRUE(window.grab().save(QStringLiteral(ZAV_SCREENSHOT_DIR "/") + name));
}

TEST(KeyVoiceProgram, RecordsKey6FromTheSimulatedVoiceAndStoresItOnOk) {
    TempFolder folder;
    sim::MemoryRegistry store;
    platform::PosixFileSystem files;
    {
        const std::vector<std::string> args = {folder.Path().string()};
        std::ostringstream out;
        std::ostringstream err;
        zavtool::CommandContext context{args, out, err, store, files};
        ASSERT_EQ(zavtool::RunDemoInstall(context), zavtool::ExitStatus::Success) << err.str();
    }

    QtDispatcher dispatcher;
    platform::AudioSelection sound =
        platform::ChooseAudioBackend(dispatcher, [](std::string_view name) {
            return name == platform::kAudioBackendVariable ? std::optional<std::string>("sim")
                                                           : std::nullopt;
        });
    ASSERT_TRUE(sound.bundle) << sound.problem;
    auto& card = dynamic_cast<sim::SimSoundCard&>(*sound.bundle.audio);
    card.SetViolationHandler([](std::string_view message) { ADD_FAILURE() << message; });
    // Loud enough for the recorder's meter, whose first segment wants a swing of some 2,900.
    card.SetMicSignal(sim::SineMic(12000, 220.0));
    platform::ThreadTimer timer;
    QtDialogRunner runner;
    keyvoice::CKeyVoiceApp app(
        {*sound.bundle.audio, *sound.bundle.mixer, timer, store, files, dispatcher, runner});

    bool recorded = false;
    runner.SetWindowObserver([&](QtDialogWindow& window) {
        if (window.windowTitle() != QStringLiteral("ZAV Sound Recorder") ||
            window.ControlWidget(keyvoice::kIdcKey6) == nullptr) {
            return;
        }
        QTimer::singleShot(0, &window, [&] {
            [&] {
                SaveScreenshot(window, QStringLiteral("keyvoice-start.png"));
                auto* key6 = qobject_cast<QPushButton*>(window.ControlWidget(keyvoice::kIdcKey6));
                QTest::mouseClick(key6, Qt::LeftButton);
                ASSERT_TRUE(window.IsControlEnabled(keyvoice::kIdcRec));
                QTest::mouseClick(window.ControlWidget(keyvoice::kIdcRec), Qt::LeftButton);
                // Mid-take the voice lights the meter: the moment for the screenshot.
                QWidget* meter = window.findChild<QWidget*>(QStringLiteral("painted1013"));
                ASSERT_NE(meter, nullptr);
                const QRgb dark =
                    meter->grab().toImage().pixel(meter->width() / 2, meter->height() - 3);
                ASSERT_TRUE(qt_test::WaitFor(
                    [&] {
                        return meter->grab().toImage().pixel(meter->width() / 2,
                                                             meter->height() - 5) != dark;
                    },
                    3000));
                EXPECT_TRUE(window.GetButtonState(keyvoice::kIdcKey6));
                SaveScreenshot(window, QStringLiteral("keyvoice.png"));
                // The take ends by itself after two seconds and the buttons come back.
                recorded = qt_test::WaitFor(
                    [&] { return window.IsControlEnabled(keyvoice::kIdcPlay); }, 5000);
                SaveScreenshot(window, QStringLiteral("keyvoice-after-take.png"));
                QTest::mouseClick(window.ControlWidget(platform::kIdOk), Qt::LeftButton);
            }();
            if (!window.EndResult())
                window.EndDialog(platform::kIdCancel);  // a failed step must not hang the test
        });
    });
    app.InitInstance();

    EXPECT_TRUE(recorded);
    EXPECT_EQ(app.DialogResult(), platform::kIdOk);
    const std::filesystem::path stored = folder.Path() / "sys" / "cfff6.wax";
    EXPECT_TRUE(std::filesystem::exists(stored));
    EXPECT_EQ(std::filesystem::file_size(stored), 44144u);
    platform::RegistryKey key;
    ASSERT_EQ(store.OpenKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, platform::Access::Read, key),
              platform::RegResult::Success);
    platform::RegistryValue value;
    ASSERT_EQ(key.Query("Key6Info", value), platform::RegResult::Success);
    const std::string text(value.data.begin(), value.data.end());
    EXPECT_NE(text.find("cfff6.wax"), std::string::npos) << text;
}

}  // namespace
