// VoxGauge's real dialog in a Qt window: on the card chosen as the program chooses it, the gauge
// follows a loud voice and Enter ends with OK; without a sound card only the start-up message
// shows. (Its walk, OK and Esc on a card the test's clock moves are in focus_chain_test.cpp.)

#include <gtest/gtest.h>

#include <QApplication>
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
#include "platform/sim/sim_sound_card.h"
#include "platform/testing/memory_registry.h"
#include "qt_test_environment.h"
#include "voxgauge/resources.h"
#include "voxgauge/vox_gauge_app.h"

namespace {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;
using platform::qt::NeedleGauge;
using platform::qt::QtDialogRunner;
using platform::qt::QtDialogWindow;
using platform::qt::QtDispatcher;

// The level the gauge shows once it has moved off 0 and its needle has come to it; -1 without
// a gauge.
int SettledLevel(QtDialogWindow& window) {
    auto* gauge = window.findChild<NeedleGauge*>(QStringLiteral("control1002"));
    EXPECT_NE(gauge, nullptr);
    if (gauge == nullptr)
        return -1;
    EXPECT_TRUE(qt_test::WaitFor(
        [&] { return gauge->Value() != 0 && gauge->NeedlePosition() == gauge->Value(); }, 15000))
        << "the gauge never moved away from 0";
    return gauge->Value();
}

TEST(VoxGaugeWindow, WithoutASoundCardOnlyTheMessageIsShown) {
    sim::SimCardConfig config;
    config.inputs.clear();
    config.outputs.clear();
    qt_test::SimVoxGauge rig(std::move(config));
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
        qt_test::SaveScreenshot(*box, QStringLiteral("voxgauge_no_sound_card.png"));
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
    card->SetMicSignal(sim::SineMic(qt_test::kVoicePeak, 220.0));
    sim::MemoryRegistry store;
    QtDialogRunner runner;
    voxgauge::CVoxGaugeApp app({*card, *audio.bundle.mixer, store, dispatcher, runner});
    int shown = -1;
    runner.SetWindowObserver([&](QtDialogWindow& window) {
        qt_test::WhenActive(window, [&] {
            shown = SettledLevel(window);
            QTest::keyClick(&window, Qt::Key_Return);
        });
    });

    EXPECT_FALSE(app.InitInstance());

    EXPECT_EQ(shown, qt_test::kVoiceLevel);
    EXPECT_EQ(app.DialogResult(), platform::kIdOk);
    EXPECT_EQ(card->OpenInputCount(), 0u);
    EXPECT_EQ(card->HoldCount(), 0u);
    EXPECT_EQ(card->ViolationCount(), 0u);
}

}  // namespace
