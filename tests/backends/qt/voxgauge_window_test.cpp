// VoxGauge's real dialog in a Qt window, on the simulated card: the gauge follows a loud voice,
// a screenshot of the running dialog is saved, OK stores MicEnv. And the start-up message when
// there is no sound card.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/hardware/audio_backend_list.h"
#include "platform/qt/needle_gauge.h"
#include "platform/qt/qt_dialog_runner.h"
#include "platform/qt/qt_dialog_window.h"
#include "platform/qt/qt_dispatcher.h"
#include "platform/sim/audio_backends.h"
#include "platform/sim/demo_mixer.h"
#include "platform/sim/mixer_sim.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/testing/memory_registry.h"
#include "platform/ui/plain_dialog.h"
#include "qt_test_environment.h"
#include "voxgauge/mic_env_record.h"
#include "voxgauge/resources.h"
#include "voxgauge/vox_gauge_app.h"

namespace {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;
using platform::qt::NeedleGauge;
using platform::qt::QtDialogRunner;
using platform::qt::QtDialogWindow;
using platform::qt::QtDispatcher;

// A voice at peak 1800 reads as level 10, inside the gauge's green zone.
constexpr std::int16_t kVoicePeak = 1800;
constexpr int kVoiceLevel = 10;

struct QtRig {
    explicit QtRig(sim::SimCardConfig config) : card(std::move(config)) {
        card.SetViolationHandler([](std::string_view message) { ADD_FAILURE() << message; });
    }

    std::optional<platform::RegistryValue> StoredMicEnv() {
        platform::RegistryKey key;
        platform::RegistryValue value;
        if (store.OpenKey(platform::Hive::LocalMachine, voxgauge::kZavKeyPath,
                          platform::Access::Read, key) != platform::RegResult::Success ||
            key.Query(voxgauge::kMicEnvValueName, value) != platform::RegResult::Success) {
            return std::nullopt;
        }
        return value;
    }

    QtDispatcher dispatcher;
    sim::SimSoundCard card;
    sim::SimMixer mixer{sim::DemoMixerTopology(), dispatcher};
    sim::MemoryRegistry store;
    QtDialogRunner runner;
    voxgauge::CVoxGaugeApp app{{card, mixer, store, dispatcher, runner}};
};

TEST(VoxGaugeWindow, FollowsTheVoiceTakesAScreenshotAndStoresOnOk) {
    sim::SimCardConfig config;
    config.mic = sim::SineMic(kVoicePeak, 220.0);
    QtRig rig(std::move(config));
    const QString screenshot = QStringLiteral(ZAV_SCREENSHOT_DIR "/voxgauge.png");
    QFile::remove(screenshot);
    bool shotTaken = false;

    rig.runner.SetWindowObserver([&](QtDialogWindow& window) {
        // The card's clock moves with the event loop; the dialog's own timer reads the level.
        auto* clock = new QTimer(&window);
        QObject::connect(clock, &QTimer::timeout, &window, [&rig] { rig.card.AdvanceBy(10); });
        clock->start(10);
        auto* watch = new QTimer(&window);
        QObject::connect(watch, &QTimer::timeout, &window, [&, watch] {
            auto* gauge = window.findChild<NeedleGauge*>(QStringLiteral("control1002"));
            ASSERT_NE(gauge, nullptr);
            if (gauge->Value() == 0 || gauge->NeedlePosition() != gauge->Value())
                return;
            watch->stop();
            ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZAV_SCREENSHOT_DIR)));
            shotTaken = window.grab().save(screenshot);
            QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("control1")),
                              Qt::LeftButton);
        });
        watch->start(20);
        QTimer::singleShot(15000, &window, [&window] {
            ADD_FAILURE() << "the gauge never moved away from 0";
            window.EndDialog(platform::kIdCancel);
        });
    });

    EXPECT_FALSE(rig.app.InitInstance());

    EXPECT_EQ(rig.app.DialogResult(), platform::kIdOk);
    EXPECT_TRUE(shotTaken);
    EXPECT_GT(QFileInfo(screenshot).size(), 1000);
    const std::optional<platform::RegistryValue> micEnv = rig.StoredMicEnv();
    ASSERT_TRUE(micEnv.has_value());
    EXPECT_EQ(micEnv->type, platform::ValueType::Binary);
    EXPECT_FALSE(micEnv->data.empty());
    EXPECT_EQ(micEnv->data.size() % voxgauge::MicEnvRecord::kSize, 0u);
    EXPECT_EQ(rig.card.OpenInputCount(), 0u);
    EXPECT_EQ(rig.card.HoldCount(), 0u);
}

TEST(VoxGaugeWindow, TheGaugeShowsTheCapturedLevel) {
    sim::SimCardConfig config;
    config.mic = sim::SineMic(kVoicePeak, 220.0);
    QtRig rig(std::move(config));
    int shown = -1;
    rig.runner.SetWindowObserver([&](QtDialogWindow& window) {
        auto* clock = new QTimer(&window);
        QObject::connect(clock, &QTimer::timeout, &window, [&rig] { rig.card.AdvanceBy(10); });
        clock->start(10);
        QTimer::singleShot(0, &window, [&] {
            auto* gauge = window.findChild<NeedleGauge*>(QStringLiteral("control1002"));
            qt_test::WaitFor([&] { return gauge->Value() != 0; }, 10000);
            shown = gauge->Value();
            QTest::keyClick(&window, Qt::Key_Escape);
        });
    });

    rig.app.InitInstance();

    EXPECT_EQ(shown, kVoiceLevel);
    EXPECT_EQ(rig.app.DialogResult(), platform::kIdCancel);
    EXPECT_FALSE(rig.StoredMicEnv().has_value());
}

TEST(VoxGaugeWindow, WithoutASoundCardOnlyTheMessageIsShown) {
    sim::SimCardConfig config;
    config.inputs.clear();
    config.outputs.clear();
    QtRig rig(std::move(config));
    bool windowShown = false;
    rig.runner.SetWindowObserver([&](QtDialogWindow&) { windowShown = true; });
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        QDir().mkpath(QStringLiteral(ZAV_SCREENSHOT_DIR));
        box->grab().save(QStringLiteral(ZAV_SCREENSHOT_DIR "/voxgauge_no_sound_card.png"));
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    answer.start(20);

    EXPECT_FALSE(rig.app.InitInstance());

    EXPECT_EQ(rig.app.DialogResult(), -1);
    EXPECT_FALSE(windowShown);
    EXPECT_EQ(title, QStringLiteral("Microphone Test Error"));
    EXPECT_EQ(text.toStdString(), voxgauge::LoadString(voxgauge::StringId::NoDirectSound));
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_FALSE(rig.StoredMicEnv().has_value());
}

TEST(VoxGaugeWindow, RunsOnTheSimulatedCardAsTheProgramChoosesIt) {
    // As the program starts with ZAV_AUDIO=sim: the card records on its own thread and hands
    // the buffers to the GUI thread through the dispatcher.
    const platform::EnvironmentLookup environment =
        [](std::string_view name) -> std::optional<std::string> {
        if (name == platform::kAudioBackendVariable)
            return std::string(sim::kSimBackendName);
        return std::nullopt;
    };
    QtDispatcher dispatcher;
    platform::AudioSelection audio = platform::ChooseAudioBackend(dispatcher, environment);
    ASSERT_TRUE(audio.bundle) << audio.problem;
    auto* card = dynamic_cast<sim::SimSoundCard*>(audio.bundle.audio.get());
    ASSERT_NE(card, nullptr);
    card->SetViolationHandler([](std::string_view message) { ADD_FAILURE() << message; });
    card->SetMicSignal(sim::SineMic(kVoicePeak, 220.0));
    platform::Mixer& mixer = *audio.bundle.mixer;
    sim::MemoryRegistry store;
    QtDialogRunner runner;
    voxgauge::CVoxGaugeApp app({*card, mixer, store, dispatcher, runner});
    int shown = -1;
    runner.SetWindowObserver([&](QtDialogWindow& window) {
        QTimer::singleShot(0, &window, [&] {
            auto* gauge = window.findChild<NeedleGauge*>(QStringLiteral("control1002"));
            qt_test::WaitFor([&] { return gauge->Value() != 0; }, 10000);
            shown = gauge->Value();
            QTest::keyClick(&window, Qt::Key_Return);
        });
    });

    EXPECT_FALSE(app.InitInstance());

    EXPECT_EQ(shown, kVoiceLevel);
    EXPECT_EQ(app.DialogResult(), platform::kIdOk);
    EXPECT_EQ(card->OpenInputCount(), 0u);
    EXPECT_EQ(card->HoldCount(), 0u);
    EXPECT_EQ(card->ViolationCount(), 0u);
}

TEST(VoxGaugeWindow, TheAboutBoxShowsTheIconAndTheVersion) {
    QtDialogRunner runner;
    platform::PlainDialog about;
    QString version;
    bool iconShown = false;
    runner.SetWindowObserver([&](QtDialogWindow& window) {
        QTimer::singleShot(0, &window, [&] {
            for (const QLabel* label : window.findChildren<QLabel*>()) {
                if (!label->text().isEmpty())
                    version = label->text();
                if (!label->pixmap().isNull())
                    iconShown = true;
            }
            QDir().mkpath(QStringLiteral(ZAV_SCREENSHOT_DIR));
            window.grab().save(QStringLiteral(ZAV_SCREENSHOT_DIR "/voxgauge_about.png"));
            QTest::keyClick(&window, Qt::Key_Return);
        });
    });

    EXPECT_EQ(runner.RunModal(voxgauge::AboutBoxTemplate(), about), platform::kIdOk);

    EXPECT_EQ(version, QStringLiteral("VoxGauge Version 1.0"));
    EXPECT_TRUE(iconShown);
}

}  // namespace
