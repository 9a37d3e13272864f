// Both programs' real dialogs as a keyboard and a screen reader meet them: Tab and Shift+Tab
// walk every enabled control once, in template order; every control reached has a name an
// assistive tool reads (the trackbars and level displays from the labels beside them); the
// selected key reads as pressed and "selected"; the level displays' values and a slider's
// value set by a tool reach the program as the user's own moves would. And both programs store
// on OK as a person uses them: VoxGauge its MicEnv, KeyVoice a recorded key.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "keyvoice/resources.h"
#include "platform/qt/needle_gauge.h"
#include "platform/qt/qt_dialog_window.h"
#include "platform/sim/mic_signal.h"
#include "platform/sim/sim_sound_card.h"
#include "qt_test_environment.h"
#include "tests/support/zav_values.h"
#include "voxgauge/mic_env_record.h"
#include "voxgauge/resources.h"

namespace {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;
using platform::ControlKind;
using platform::qt::NeedleGauge;
using platform::qt::QtDialogWindow;

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

// VoxGauge on the simulated card, whose voice moves the gauge: after the walk, OK stores MicEnv
// and Esc stores nothing; a screenshot of the running dialog is saved.
TEST(FocusChain, VoxGaugeIsWalkedWithTabReadByAssistiveToolsAndStoresOnOkOnly) {
    const platform::DialogTemplate& dialog = voxgauge::MicSetupTemplate();
    const QString screenshot = QStringLiteral(ZAV_SCREENSHOT_DIR "/voxgauge.png");
    for (const bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "Esc");
        qt_test::SimVoxGauge rig(qt_test::VoiceCard());
        QFile::remove(screenshot);
        bool walked = false;
        int shown = -1;

        rig.runner.SetWindowObserver([&](QtDialogWindow& window) {
            // The card's clock moves with the event loop; the dialog's own timer reads the level.
            qt_test::DriveCardClock(window, rig.card);
            qt_test::WhenActive(window, [&] {
                ExpectTabWalksTemplateOrder(dialog, window);
                ExpectNamedControls(dialog, window);
                QWidget* slider = window.ControlWidget(voxgauge::kIdcMicVolume);
                EXPECT_NE(LabelOf(slider), nullptr);

                // The gauge tells its level: the one it shows, on its own scale.
                auto* gauge =
                    qobject_cast<NeedleGauge*>(window.ControlWidget(voxgauge::kIdcLevelGauge));
                ASSERT_NE(gauge, nullptr);
                ASSERT_TRUE(qt_test::WaitFor(
                    [&] {
                        return gauge->Value() != 0 && gauge->NeedlePosition() == gauge->Value();
                    },
                    15000));
                shown = gauge->Value();
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
                const std::uint32_t writes = rig.mixer.CallCount(sim::MixerCall::SetControlDetails);
                volume->setCurrentValue(target);
                EXPECT_GT(rig.mixer.CallCount(sim::MixerCall::SetControlDetails), writes);
                EXPECT_TRUE(qt_test::WaitFor(
                    [&] { return window.GetSliderPos(voxgauge::kIdcMicVolume) == target; }, 2000));
                walked = true;
                if (!ok) {
                    QTest::keyClick(&window, Qt::Key_Escape);
                    return;
                }
                qt_test::SaveScreenshot(window, QStringLiteral("voxgauge.png"));
                QTest::mouseClick(window.ControlWidget(platform::kIdOk), Qt::LeftButton);
            });
        });

        EXPECT_FALSE(rig.app.InitInstance());

        EXPECT_TRUE(walked);
        EXPECT_EQ(shown, qt_test::kVoiceLevel);
        EXPECT_EQ(rig.app.DialogResult(), ok ? platform::kIdOk : platform::kIdCancel);
        const std::optional<platform::RegistryValue> micEnv = rig.StoredMicEnv();
        if (ok) {
            EXPECT_GT(QFileInfo(screenshot).size(), 1000);
            ASSERT_TRUE(micEnv.has_value());
            EXPECT_EQ(micEnv->type, platform::ValueType::Binary);
            EXPECT_FALSE(micEnv->data.empty());
            EXPECT_EQ(micEnv->data.size() % voxgauge::MicEnvRecord::kSize, 0u);
        } else {
            EXPECT_FALSE(micEnv.has_value());
        }
        EXPECT_EQ(rig.card.OpenInputCount(), 0u);
        EXPECT_EQ(rig.card.HoldCount(), 0u);
    }
}

// KeyVoice as a person meets it, on the demo installation: the walk and the names as above, then
// key 6, selected by a tool's press, is recorded from the card's speaking voice, and OK stores
// the take as a .wax file registered in the store. Screenshots are taken at the start (no key
// selected: PLAY, STOP and REC disabled), mid-take (meter lit, key 6 pushed in) and after the
// take (PLAY and REC back, STOP disabled).
TEST(FocusChain, KeyVoiceIsWalkedWithTabTellsTheSelectedKeyAndRecordsIt) {
    qt_test::DemoKeyVoice keyVoice;
    ASSERT_TRUE(keyVoice.app);
    sim::SimSoundCard& card = keyVoice.Card();
    card.SetViolationHandler([](std::string_view message) { ADD_FAILURE() << message; });
    // Loud enough for the recorder's meter, whose first segment wants a swing of some 2,900.
    card.SetMicSignal(sim::SineMic(12000, 220.0));
    const platform::DialogTemplate& dialog = keyvoice::KeyVoiceTemplate();
    bool walked = false;
    bool recorded = false;

    keyVoice.runner.SetWindowObserver([&](QtDialogWindow& window) {
        if (window.ControlWidget(keyvoice::kIdcKey6) == nullptr)
            return;  // not the recorder
        qt_test::WhenActive(window, [&] {
            qt_test::SaveScreenshot(window, QStringLiteral("keyvoice-start.png"));
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

            QTest::mouseClick(window.ControlWidget(keyvoice::kIdcRec), Qt::LeftButton);
            // Mid-take the voice lights the meter: the moment for the screenshot.
            QWidget* painted = window.findChild<QWidget*>(QStringLiteral("painted1013"));
            ASSERT_NE(painted, nullptr);
            const auto pixel = [&](int fromBottom) {
                return painted->grab().toImage().pixel(painted->width() / 2,
                                                       painted->height() - fromBottom);
            };
            const QRgb dark = pixel(3);
            ASSERT_TRUE(qt_test::WaitFor([&] { return pixel(5) != dark; }, 3000));
            EXPECT_TRUE(window.GetButtonState(keyvoice::kIdcKey6));
            qt_test::SaveScreenshot(window, QStringLiteral("keyvoice.png"));
            // The take ends by itself after two seconds and the buttons come back.
            recorded =
                qt_test::WaitFor([&] { return window.IsControlEnabled(keyvoice::kIdcPlay); }, 5000);
            qt_test::SaveScreenshot(window, QStringLiteral("keyvoice-after-take.png"));

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
            QTest::mouseClick(window.ControlWidget(platform::kIdOk), Qt::LeftButton);
        });
    });

    keyVoice.app->InitInstance();

    EXPECT_TRUE(walked);
    EXPECT_TRUE(recorded);
    EXPECT_EQ(keyVoice.app->DialogResult(), platform::kIdOk);
    const std::filesystem::path stored = keyVoice.folder.Path() / "sys" / "cfff6.wax";
    EXPECT_TRUE(std::filesystem::exists(stored));
    EXPECT_EQ(std::filesystem::file_size(stored), 44144u);
    const std::optional<std::string> text = zav::test::ZavText(keyVoice.store, "Key6Info");
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(text->find("cfff6.wax"), std::string::npos) << *text;
}

}  // namespace
