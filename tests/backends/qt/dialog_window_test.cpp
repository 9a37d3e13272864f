// Dialog windows built from templates: placement in dialog units, keyboard behaviour, the
// window menu, timers, and the rule that only the user's actions reach the presenter.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/needle_gauge.h"
#include "platform/qt/painted_control.h"
#include "platform/qt/qt_dialog_runner.h"
#include "platform/qt/qt_dialog_window.h"
#include "platform/qt/track_bar.h"
#include "qt_test_environment.h"

namespace {

namespace platform = zav::platform;
using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;
using platform::ScrollCode;
using zav::platform::qt::QtDialogRunner;
using zav::platform::qt::QtDialogWindow;
using zav::platform::qt::TrackBar;

constexpr int kPlay = 1005;
constexpr int kHorizontal = 1010;
constexpr int kVertical = 1011;
constexpr int kGauge = 1002;
constexpr int kMeter = 1013;
constexpr int kLabel = 1020;
constexpr std::uint32_t kAboutCommand = 16;

constexpr ControlTemplate kControls[] = {
    {ControlKind::DefaultPushButton,
     platform::kIdOk,
     "OK",
     {170, 80, 40, 14},
     platform::kStyleTabStop,
     nullptr},
    {ControlKind::PushButton, kPlay, "&Play", {10, 80, 40, 14}, platform::kStyleTabStop, nullptr},
    {ControlKind::StaticLeft,
     kLabel,
     "Fish && chips",
     {10, 62, 60, 8},
     platform::kStyleNone,
     nullptr},
    {ControlKind::TrackbarHorizontal,
     kHorizontal,
     "",
     {10, 30, 100, 20},
     platform::kStyleTabStop | platform::kStyleTicksBothSides,
     nullptr},
    {ControlKind::Gauge, kGauge, "", {120, 10, 60, 40}, platform::kStyleNone, nullptr},
    {ControlKind::TrackbarVertical,
     kVertical,
     "",
     {190, 10, 20, 60},
     platform::kStyleTabStop | platform::kStyleTicksBothSides,
     nullptr},
    {ControlKind::GroupBox,
     platform::kIdStatic,
     "Frame",
     {4, 4, 110, 50},
     platform::kStyleNone,
     nullptr},
    {ControlKind::StaticSunken, kMeter, "", {215, 10, 8, 60}, platform::kStyleNone, nullptr},
};
constexpr DialogTemplate kDialog{500, "Test Dialog", "MS Sans Serif", 8, 230, 100, true, kControls};

// Keeps every call the window makes, and ends on OK and Cancel.
class RecordingHandler : public platform::DialogHandler {
  public:
    int OnCreate(platform::DialogView& view) override {
        view_ = &view;
        events.push_back("create");
        return createResult;
    }
    bool OnInitDialog() override {
        events.push_back("init");
        return true;
    }
    void OnCommand(int id) override { events.push_back("command " + std::to_string(id)); }
    void OnHScroll(int id, ScrollCode code) override {
        events.push_back("hscroll " + std::to_string(id) + " " +
                         std::to_string(static_cast<int>(code)));
    }
    void OnVScroll(int id, ScrollCode code) override {
        events.push_back("vscroll " + std::to_string(id) + " " +
                         std::to_string(static_cast<int>(code)));
    }
    bool OnSysCommand(std::uint32_t id) override {
        events.push_back("syscommand " + std::to_string(id));
        return id == kAboutCommand;
    }
    void OnTimer(std::uint32_t id) override { events.push_back("timer " + std::to_string(id)); }
    void OnOK() override {
        events.push_back("ok");
        view_->EndDialog(platform::kIdOk);
    }
    void OnCancel() override {
        events.push_back("cancel");
        view_->EndDialog(platform::kIdCancel);
    }
    void OnDestroy() override { events.push_back("destroy"); }

    bool Saw(const std::string& event) const {
        return std::find(events.begin(), events.end(), event) != events.end();
    }

    int createResult = 0;
    std::vector<std::string> events;

  private:
    platform::DialogView* view_ = nullptr;
};

// Runs the dialog and, once its modal loop runs and it has the focus, the test's part.
int RunWith(RecordingHandler& handler, const std::function<void(QtDialogWindow&)>& body) {
    QtDialogRunner runner;
    runner.SetWindowObserver([&](QtDialogWindow& window) {
        QTimer::singleShot(0, &window, [&window, &body] {
            QApplication::setActiveWindow(&window);
            qt_test::WaitFor([&] { return window.isActiveWindow(); }, 2000);
            body(window);
            if (!window.EndResult())
                window.EndDialog(-2);
        });
    });
    return runner.RunModal(kDialog, handler);
}

std::string Hscroll(int id, ScrollCode code) {
    return "hscroll " + std::to_string(id) + " " + std::to_string(static_cast<int>(code));
}

TEST(DialogWindow, ControlsArePlacedInDialogUnitsOfTheDialogFont) {
    RecordingHandler handler;
    QtDialogWindow window(kDialog, handler, nullptr);
    const platform::DialogBaseUnits units = window.BaseUnits();
    ASSERT_GT(units.averageCharWidth, 3);
    ASSERT_GT(units.charHeight, 8);

    const platform::PixelRect client = platform::MapDialogRect({0, 0, 230, 100}, units);
    EXPECT_EQ(window.size(), QSize(client.width, client.height));
    for (const ControlTemplate& control : kControls) {
        if (control.id == platform::kIdStatic)
            continue;
        const platform::PixelRect at = platform::MapDialogRect(control.rect, units);
        const QWidget* widget = window.ControlWidget(control.id);
        ASSERT_NE(widget, nullptr) << control.id;
        EXPECT_EQ(widget->geometry(), QRect(at.x, at.y, at.width, at.height)) << control.id;
        EXPECT_EQ(widget->objectName(), QStringLiteral("control%1").arg(control.id));
    }
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Test Dialog"));
    EXPECT_EQ(qobject_cast<QLabel*>(window.ControlWidget(kLabel))->text(), "Fish & chips");
    EXPECT_TRUE(qobject_cast<QPushButton*>(window.ControlWidget(platform::kIdOk))->isDefault());
}

TEST(DialogWindow, AFrameDoesNotTakeTheClicksOfTheControlsInsideIt) {
    RecordingHandler handler;
    QtDialogWindow window(kDialog, handler, nullptr);
    QWidget* slider = window.ControlWidget(kHorizontal);
    const QPoint inside = slider->geometry().center();
    EXPECT_EQ(window.childAt(inside), slider);
}

TEST(DialogWindow, TabFollowsTheTemplateOrderOfTheTabStops) {
    RecordingHandler handler;
    std::vector<QWidget*> visited;
    RunWith(handler, [&](QtDialogWindow& window) {
        for (int i = 0; i < 5; ++i) {
            visited.push_back(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        const std::vector<QWidget*> expected{
            window.ControlWidget(platform::kIdOk), window.ControlWidget(kPlay),
            window.ControlWidget(kHorizontal), window.ControlWidget(kVertical),
            window.ControlWidget(platform::kIdOk)};
        EXPECT_EQ(visited, expected);
    });
    EXPECT_EQ(visited.size(), 5u);
}

TEST(DialogWindow, ProgramChangesStayQuietAndUserMovesAreReported) {
    RecordingHandler handler;
    RunWith(handler, [&](QtDialogWindow& window) {
        window.SetSliderRange(kHorizontal, 0, 100, true);
        window.SetSliderPos(kHorizontal, 50, true);
        window.SetSliderRange(kVertical, 0, 100, true);
        window.SetSliderPos(kVertical, 50, true);
        EXPECT_EQ(window.GetSliderPos(kHorizontal), 50);
        EXPECT_EQ(std::count_if(
                      handler.events.begin(), handler.events.end(),
                      [](const std::string& e) { return e.find("scroll") != std::string::npos; }),
                  0);

        QWidget* horizontal = window.ControlWidget(kHorizontal);
        horizontal->setFocus();
        QTest::keyClick(horizontal, Qt::Key_Right);
        EXPECT_EQ(window.GetSliderPos(kHorizontal), 51);
        EXPECT_TRUE(handler.Saw(Hscroll(kHorizontal, ScrollCode::LineDown)));
        EXPECT_TRUE(handler.Saw(Hscroll(kHorizontal, ScrollCode::EndTrack)));
        QTest::keyClick(horizontal, Qt::Key_End);
        EXPECT_TRUE(handler.Saw(Hscroll(kHorizontal, ScrollCode::Bottom)));
        EXPECT_EQ(window.GetSliderPos(kHorizontal), 100);

        // The vertical one has its minimum at the top: Up moves towards it.
        QWidget* vertical = window.ControlWidget(kVertical);
        vertical->setFocus();
        QTest::keyClick(vertical, Qt::Key_Up);
        EXPECT_EQ(window.GetSliderPos(kVertical), 49);
        EXPECT_TRUE(handler.Saw("vscroll " + std::to_string(kVertical) + " " +
                                std::to_string(static_cast<int>(ScrollCode::LineUp))));
    });
}

TEST(DialogWindow, TicksOutsideTheRangeAreRefused) {
    RecordingHandler handler;
    QtDialogWindow window(kDialog, handler, nullptr);
    window.SetSliderRange(kHorizontal, 0, 65535, true);

    EXPECT_TRUE(window.SetSliderTic(kHorizontal, 0));
    EXPECT_TRUE(window.SetSliderTic(kHorizontal, 58256));
    EXPECT_FALSE(window.SetSliderTic(kHorizontal, 65538));
    EXPECT_FALSE(window.SetSliderTic(kGauge, 10));  // not a trackbar
    const auto* bar = qobject_cast<TrackBar*>(window.ControlWidget(kHorizontal));
    EXPECT_EQ(bar->Ticks(), (std::vector<int>{0, 58256}));
}

TEST(DialogWindow, ControlStateChangesReachTheRightWidgets) {
    RecordingHandler handler;
    QtDialogWindow window(kDialog, handler, nullptr);

    window.SetControlValue(kGauge, 9);
    window.SetControlValue(kPlay, 3);  // not a value control: ignored
    window.SetButtonState(kPlay, true);
    window.EnableControl(kHorizontal, false);
    window.SetToolTip(kPlay, "PLAY");

    EXPECT_EQ(window.GetControlValue(kGauge), 9);
    EXPECT_EQ(window.GetControlValue(kPlay), 0);
    EXPECT_TRUE(window.GetButtonState(kPlay));
    EXPECT_FALSE(window.IsControlEnabled(kHorizontal));
    EXPECT_EQ(window.ControlWidget(kPlay)->toolTip(), "PLAY");
    EXPECT_FALSE(window.IsControlEnabled(4242));
}

// Keeps what each paint was given and fills the whole canvas.
class RecordingPainter : public platform::ControlPainter {
  public:
    void OnPaint(platform::Canvas& canvas) override {
        ++paints;
        size = QSize(canvas.Width(), canvas.Height());
        background = canvas.BackgroundColour();
        canvas.FillRect({0, 0, canvas.Width(), canvas.Height()}, {255, 0, 0});
    }

    int paints = 0;
    QSize size;
    platform::Rgb background;
};

TEST(DialogWindow, APainterDrawsTheInsideOfItsFrameUntilItIsTakenAway) {
    RecordingHandler handler;
    RunWith(handler, [&](QtDialogWindow& window) {
        RecordingPainter painter;
        QWidget* frame = window.ControlWidget(kMeter);
        window.AttachPainter(kMeter, &painter);
        auto* child = frame->findChild<zav::platform::qt::PaintedControl*>();
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->geometry(), frame->contentsRect());
        const platform::ClientRect client = window.GetControlClientRect(kMeter);
        EXPECT_EQ(QSize(client.Width(), client.Height()), frame->contentsRect().size());
        EXPECT_LT(client.Width(), frame->width());  // inside the sunken border

        ASSERT_TRUE(qt_test::WaitFor([&] { return painter.paints > 0; }));
        const int paints = painter.paints;
        window.Repaint(kMeter);
        ASSERT_TRUE(qt_test::WaitFor([&] { return painter.paints > paints; }));
        EXPECT_EQ(painter.size, child->size());
        const QColor face = frame->palette().color(QPalette::Window);
        EXPECT_EQ(painter.background, (platform::Rgb{static_cast<std::uint8_t>(face.red()),
                                                     static_cast<std::uint8_t>(face.green()),
                                                     static_cast<std::uint8_t>(face.blue())}));
        EXPECT_EQ(window.grab().toImage().pixelColor(frame->geometry().center()), QColor(Qt::red));

        window.AttachPainter(kMeter, nullptr);
        EXPECT_EQ(frame->findChild<zav::platform::qt::PaintedControl*>(), nullptr);
        window.Repaint(kMeter);  // no painter: nothing to do
        EXPECT_NE(window.grab().toImage().pixelColor(frame->geometry().center()), QColor(Qt::red));
    });
}

TEST(DialogWindow, EnterPressesTheDefaultButtonAndEscCancels) {
    RecordingHandler enter;
    EXPECT_EQ(
        RunWith(enter, [](QtDialogWindow& window) { QTest::keyClick(&window, Qt::Key_Return); }),
        platform::kIdOk);
    EXPECT_TRUE(enter.Saw("ok"));

    RecordingHandler escape;
    EXPECT_EQ(
        RunWith(escape, [](QtDialogWindow& window) { QTest::keyClick(&window, Qt::Key_Escape); }),
        platform::kIdCancel);
    EXPECT_TRUE(escape.Saw("cancel"));
    EXPECT_EQ(escape.events.back(), "destroy");
}

TEST(DialogWindow, OtherButtonsAreCommands) {
    RecordingHandler handler;
    RunWith(handler, [](QtDialogWindow& window) {
        QTest::mouseClick(window.ControlWidget(kPlay), Qt::LeftButton);
    });
    EXPECT_TRUE(handler.Saw("command 1005"));
}

TEST(DialogWindow, TheWindowMenuHoldsCloseAndTheAddedItemsBelowASeparator) {
    RecordingHandler handler;
    const int result = RunWith(handler, [](QtDialogWindow& window) {
        window.AddSystemMenuItem(kAboutCommand, "&About Test...");
        std::unique_ptr<QMenu> menu(window.BuildWindowMenu());
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), 3);
        EXPECT_EQ(actions[0]->text(), "&Close");
        EXPECT_TRUE(actions[1]->isSeparator());
        EXPECT_EQ(actions[2]->text(), "&About Test...");
        actions[2]->trigger();
        EXPECT_FALSE(window.EndResult().has_value());
        actions[0]->trigger();  // the handler leaves Close to the window, which cancels
    });
    EXPECT_TRUE(handler.Saw("syscommand 16"));
    EXPECT_TRUE(handler.Saw("syscommand 61536"));
    EXPECT_TRUE(handler.Saw("cancel"));
    EXPECT_EQ(result, platform::kIdCancel);
}

// Where the desktop draws no window menu (Wayland), the keyboard still reaches About: the keys
// work with a control focused, as they reach the window when the control does not take them.
TEST(DialogWindow, TheMenuKeyShiftF10AndAltSpaceOpenTheWindowMenu) {
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } keys[] = {{Qt::Key_Menu, Qt::NoModifier},
                {Qt::Key_F10, Qt::ShiftModifier},
                {Qt::Key_Space, Qt::AltModifier}};
    for (const auto& press : keys) {
        const Qt::Key key = press.key;
        const Qt::KeyboardModifiers modifiers = press.modifiers;
        SCOPED_TRACE(QKeySequence(key | modifiers).toString().toStdString());
        RecordingHandler handler;
        RunWith(handler, [&](QtDialogWindow& window) {
            window.AddSystemMenuItem(kAboutCommand, "&About Test...");
            window.ControlWidget(kPlay)->setFocus();
            QTest::keyClick(window.ControlWidget(kPlay), key, modifiers);
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            EXPECT_EQ(menu->actions().back()->text(), "&About Test...");
            menu->actions().back()->trigger();
            menu->close();
        });
        EXPECT_TRUE(handler.Saw("syscommand 16"));
        EXPECT_FALSE(handler.Saw("command 1005"));  // Space did not press the focused button
    }
}

TEST(DialogWindow, TheCloseBoxIsTheCloseCommand) {
    RecordingHandler handler;
    EXPECT_EQ(RunWith(handler, [](QtDialogWindow& window) { window.close(); }),
              platform::kIdCancel);
    EXPECT_TRUE(handler.Saw("syscommand 61536"));
}

TEST(DialogWindow, TimersTickUntilKilled) {
    RecordingHandler handler;
    RunWith(handler, [&](QtDialogWindow& window) {
        window.SetTimer(7, 5);
        EXPECT_TRUE(qt_test::WaitFor([&] { return handler.Saw("timer 7"); }));
        EXPECT_TRUE(window.KillTimer(7));
        EXPECT_FALSE(window.KillTimer(7));
        handler.events.clear();
        QTest::qWait(50);
        EXPECT_FALSE(handler.Saw("timer 7"));
    });
}

TEST(DialogWindow, AStoppedCreationShowsNothing) {
    RecordingHandler handler;
    handler.createResult = -1;
    QtDialogRunner runner;
    bool shown = false;
    runner.SetWindowObserver([&](QtDialogWindow&) { shown = true; });

    EXPECT_EQ(runner.RunModal(kDialog, handler), -1);

    EXPECT_FALSE(shown);
    EXPECT_EQ(handler.events, (std::vector<std::string>{"create", "destroy"}));
}

}  // namespace
