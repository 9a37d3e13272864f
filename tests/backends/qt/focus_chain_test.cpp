// Both programs' real dialogs as a keyboard and a screen reader meet them: Tab and Shift+Tab
// walk every enabled control once, in template order; every control reached has a name an
// assistive tool reads (the trackbars and level displays from the labels beside them); the
// selected key reads as pressed and "selected"; the level displays' values and a slider's
// value set by a tool reach the program as the user's own moves would.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "keyvoice/key_voice_app.h"
#include "keyvoice/resources.h"
#include "platform/hardware/audio_backend_list.h"
#include "platform/posix/posix_file_system.h"
#include "platform/qt/needle_gauge.h"
#include "platform/qt/qt_dialog_runner.h"
#include "platform/qt/qt_dialog_window.h"
#include "platform/qt/qt_dispatcher.h"
#include "platform/sim/demo_mixer.h"
#include "platform/sim/mic_signal.h"
#include "platform/sim/mixer_sim.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/testing/memory_registry.h"
#include "platform/timer/thread_timer.h"
#include "qt_test_environment.h"
#include "tests/platform/registry/temp_folder.h"
#include "tools/zavtool/command.h"
#include "voxgauge/resources.h"
#include "voxgauge/vox_gauge_app.h"

namespace {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;
using platform::ControlKind;
using platform::qt::NeedleGauge;
using platform::qt::QtDialogRunner;
using platform::qt::QtDialogWindow;
using platform::qt::QtDispatcher;

// A voice loud enough to move VoxGauge's needle off 0.
constexpr std::int16_t kVoicePeak = 1800;

bool OperatedByUser(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
        case ControlKind::TrackbarHorizontal:
        case ControlKind::TrackbarVertical:
        case ControlKind::Gauge:
            return true;
        default:
            return false;
    }
}

// The controls a keyboard user should reach now: every enabled one the user operates or reads,
// in template order, whatever its style bits say.
std::vector<QWidget*> EnabledControls(const platform::DialogTemplate& dialog,
                                      const QtDialogWindow& window) {
    std::vector<QWidget*> controls;
    for (const platform::ControlTemplate& control : dialog.controls) {
        if (OperatedByUser(control.kind) && window.IsControlEnabled(control.id))
            controls.push_back(window.ControlWidget(control.id));
    }
    return controls;
}

// Gives first the focus and presses key (Tab or Backtab) steps times; the focus after each.
std::vector<QWidget*> Walk(QtDialogWindow& window, QWidget* first, Qt::Key key, std::size_t steps) {
    first->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> visited{window.focusWidget()};
    for (std::size_t i = 0; i < steps; ++i) {
        QTest::keyClick(window.focusWidget(), key);
        visited.push_back(window.focusWidget());
    }
    return visited;
}

// Tab forwards from the first control and back from the last: each enabled control once, in
// template order, and round to where the walk began.
void ExpectTabWalksTemplateOrder(const platform::DialogTemplate& dialog, QtDialogWindow& window) {
    std::vector<QWidget*> expected = EnabledControls(dialog, window);
    ASSERT_GE(expected.size(), 2u);
    const std::size_t steps = expected.size();
    expected.push_back(expected.front());
    EXPECT_EQ(Walk(window, expected.front(), Qt::Key_Tab, steps), expected);

    std::vector<QWidget*> backwards(expected.rbegin(), expected.rend());
    EXPECT_EQ(Walk(window, backwards.front(), Qt::Key_Backtab, steps), backwards);
}

QAccessibleInterface* Accessible(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    EXPECT_NE(accessible, nullptr) << widget->objectName().toStdString();
    return accessible;
}

QString NameOf(QWidget* widget) {
    QAccessibleInterface* accessible = Accessible(widget);
    return accessible == nullptr ? QString() : accessible->text(QAccessible::Name);
}

// The label an assistive tool reports as naming widget, or null.
const QLabel* LabelOf(QWidget* widget) {
    QAccessibleInterface* accessible = Accessible(widget);
    if (accessible == nullptr)
        return nullptr;
    for (const auto& [other, relation] : accessible->relations(QAccessible::Label)) {
        if (auto* label = qobject_cast<const QLabel*>(other->object()))
            return label;
    }
    return nullptr;
}

// Every control of the dialog with an id that the user operates or reads has a name, no two
// the same; a control named by a label has the label's text as its name.
void ExpectNamedControls(const platform::DialogTemplate& dialog, QtDialogWindow& window) {
    std::set<QString> names;
    for (const platform::ControlTemplate& control : dialog.controls) {
        if (control.id == platform::kIdStatic)
            continue;
        QWidget* widget = window.ControlWidget(control.id);
        const QString name = NameOf(widget);
        EXPECT_FALSE(name.isEmpty()) << control.id;
        EXPECT_TRUE(names.insert(name).second) << name.toStdString();
        if (const QLabel* label = LabelOf(widget)) {
            EXPECT_EQ(label->text(), name) << control.id;
        }
    }
}

QAccessibleValueInterface* ValueOf(QWidget* widget) {
    QAccessibleInterface* accessible = Accessible(widget);
    return accessible == nullptr ? nullptr : accessible->valueInterface();
}

bool ReadsAsSelected(QWidget* key) {
    QAccessibleInterface* accessible = Accessible(key);
    return accessible != nullptr && accessible->state().pressed &&
           accessible->text(QAccessible::Description).contains(QStringLiteral("selected"));
}

// Runs body once window is active, then cancels the dialog if body left it open.
void WhenActive(QtDialogWindow& window, std::function<void()> body) {
    QTimer::singleShot(0, &window, [&window, body = std::move(body)] {
        QApplication::setActiveWindow(&window);
        qt_test::WaitFor([&] { return window.isActiveWindow(); }, 2000);
        body();
        if (!window.EndResult())
            window.EndDialog(platform::kIdCancel);
    });
}

TEST(FocusChain, VoxGaugeIsWalkedWithTabAndReadByAssistiveTools) {
    QtDispatcher dispatcher;
    sim::SimCardConfig config;
    config.mic = sim::SineMic(kVoicePeak, 220.0);
    sim::SimSoundCard card(std::move(config));
    sim::SimMixer mixer(sim::DemoMixerTopology(), dispatcher);
    sim::MemoryRegistry store;
    QtDialogRunner runner;
    voxgauge::CVoxGaugeApp app({card, mixer, store, dispatcher, runner});
    const platform::DialogTemplate& dialog = voxgauge::MicSetupTemplate();
    bool walked = false;

    runner.SetWindowObserver([&](QtDialogWindow& window) {
        auto* clock = new QTimer(&window);
        QObject::connect(clock, &QTimer::timeout, &window, [&card] { card.AdvanceBy(10); });
        clock->start(10);
        WhenActive(window, [&] {
            ExpectTabWalksTemplateOrder(dialog, window);
            ExpectNamedControls(dialog, window);
            QWidget* slider = window.ControlWidget(voxgauge::kIdcMicVolume);
            EXPECT_NE(LabelOf(slider), nullptr);

            // The gauge tells its level: the one it shows, on its own scale.
            auto* gauge =
                qobject_cast<NeedleGauge*>(window.ControlWidget(voxgauge::kIdcLevelGauge));
            ASSERT_NE(gauge, nullptr);
            ASSERT_TRUE(qt_test::WaitFor([&] { return gauge->Value() != 0; }, 10000));
            QAccessibleValueInterface* level = ValueOf(gauge);
            ASSERT_NE(level, nullptr);
            EXPECT_EQ(level->currentValue().toInt(), gauge->Value());
            EXPECT_EQ(level->maximumValue().toInt(), NeedleGauge::kMaximum);
            EXPECT_TRUE(Accessible(gauge)
                            ->text(QAccessible::Value)
                            .contains(QString::number(gauge->Value())));

            // A volume set by a tool goes to the mixer, which sends it back to the slider.
            QAccessibleValueInterface* volume = ValueOf(slider);
            ASSERT_NE(volume, nullptr);
            const int target = volume->maximumValue().toInt() / 4;
            const std::uint32_t writes = mixer.CallCount(sim::MixerCall::SetControlDetails);
            volume->setCurrentValue(target);
            EXPECT_GT(mixer.CallCount(sim::MixerCall::SetControlDetails), writes);
            EXPECT_TRUE(qt_test::WaitFor(
                [&] { return window.GetSliderPos(voxgauge::kIdcMicVolume) == target; }, 2000));
            walked = true;
        });
    });

    app.InitInstance();

    EXPECT_TRUE(walked);
}

TEST(FocusChain, KeyVoiceIsWalkedWithTabAndTellsTheSelectedKey) {
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
    platform::ThreadTimer timer;
    QtDialogRunner runner;
    keyvoice::CKeyVoiceApp app(
        {*sound.bundle.audio, *sound.bundle.mixer, timer, store, files, dispatcher, runner});
    const platform::DialogTemplate& dialog = keyvoice::KeyVoiceTemplate();
    bool walked = false;

    runner.SetWindowObserver([&](QtDialogWindow& window) {
        if (window.ControlWidget(keyvoice::kIdcKey6) == nullptr)
            return;  // not the recorder
        WhenActive(window, [&] {
            QWidget* key1 = window.ControlWidget(keyvoice::kIdcKey1);
            QWidget* key6 = window.ControlWidget(keyvoice::kIdcKey6);
            EXPECT_FALSE(ReadsAsSelected(key1));
            QTest::mouseClick(key1, Qt::LeftButton);
            ASSERT_TRUE(window.GetButtonState(keyvoice::kIdcKey1));
            ASSERT_TRUE(window.IsControlEnabled(keyvoice::kIdcPlay));

            ExpectTabWalksTemplateOrder(dialog, window);
            ExpectNamedControls(dialog, window);
            EXPECT_NE(LabelOf(window.ControlWidget(keyvoice::kIdcRecordVolume)), nullptr);
            EXPECT_TRUE(ReadsAsSelected(key1));
            EXPECT_FALSE(ReadsAsSelected(key6));
            EXPECT_TRUE(Accessible(window.ControlWidget(platform::kIdOk))->state().defaultButton);

            // A tool's press selects key 6 as a click would; key 1 is let out.
            QAccessibleActionInterface* press = Accessible(key6)->actionInterface();
            ASSERT_NE(press, nullptr);
            ASSERT_TRUE(press->actionNames().contains(QAccessibleActionInterface::pressAction()));
            press->doAction(QAccessibleActionInterface::pressAction());
            EXPECT_TRUE(window.GetButtonState(keyvoice::kIdcKey6));
            EXPECT_TRUE(ReadsAsSelected(key6));
            EXPECT_FALSE(ReadsAsSelected(key1));
            EXPECT_FALSE(Accessible(key1)
                             ->text(QAccessible::Description)
                             .contains(QStringLiteral("selected")));
            // Key 6 holds no sound: REC now takes PLAY's place in the walk.
            EXPECT_TRUE(window.IsControlEnabled(keyvoice::kIdcRec));
            ExpectTabWalksTemplateOrder(dialog, window);

            // The meter is named by the label under it and reads the level it is given.
            QWidget* meter = window.ControlWidget(keyvoice::kIdcMeterFrame);
            EXPECT_NE(LabelOf(meter), nullptr);
            QAccessibleValueInterface* level = ValueOf(meter);
            ASSERT_NE(level, nullptr);
            for (const int shown : {9, 0, 15}) {
                window.SetControlValue(keyvoice::kIdcMeterFrame, shown);
                EXPECT_EQ(level->currentValue().toInt(), shown);
                EXPECT_EQ(window.GetControlValue(keyvoice::kIdcMeterFrame), shown);
            }
            window.SetControlValue(keyvoice::kIdcMeterFrame, 99);
            EXPECT_EQ(level->currentValue(), level->maximumValue());
            walked = true;
        });
    });

    app.InitInstance();

    EXPECT_TRUE(walked);
}

}  // namespace
