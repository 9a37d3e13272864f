// Dialog windows built from templates, what only Qt's windows have to show: placement in dialog
// units, the tab order, the vertical trackbar's direction, painted children and the window menu
// that stands in for the host's. What every backend keeps is in the dialog-view contract.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/painted_control.h"
#include "platform/qt/qt_dialog_window.h"
#include "qt_test_environment.h"
#include "tests/contracts/dialog_view_contract.h"

namespace {

namespace platform = zav::platform;
using platform::ControlKind;
using platform::ControlTemplate;
using platform::kStyleTabStop;
using platform::ScrollCode;
using zav::platform::qt::QtDialogWindow;

constexpr int kPlay = 1005;
constexpr int kHorizontal = 1010;
constexpr int kVertical = 1011;
constexpr int kGauge = 1002;
constexpr int kMeter = 1013;
constexpr int kLabel = 1020;
constexpr std::uint32_t kTicks = kStyleTabStop | platform::kStyleTicksBothSides;

constexpr ControlTemplate kControls[] = {
    {ControlKind::DefaultPushButton, platform::kIdOk, "OK", {170, 80, 40, 14}, kStyleTabStop},
    {ControlKind::PushButton, kPlay, "&Play", {10, 80, 40, 14}, kStyleTabStop},
    {ControlKind::StaticLeft, kLabel, "Fish && chips", {10, 62, 60, 8}},
    {ControlKind::TrackbarHorizontal, kHorizontal, "", {10, 30, 100, 20}, kTicks},
    {ControlKind::Gauge, kGauge, "", {120, 10, 60, 40}},
    {ControlKind::TrackbarVertical, kVertical, "", {190, 10, 20, 60}, kTicks},
    {ControlKind::GroupBox, platform::kIdStatic, "Frame", {4, 4, 110, 50}},
    {ControlKind::StaticSunken, kMeter, "", {215, 10, 8, 60}},
};
constexpr platform::DialogTemplate kDialog{500, "Test Dialog", "MS Sans Serif", 8, 230,
                                           100, true,          kControls};

// The contract's handler, which adds the About item (kAboutCommand) to the window menu, without
// its timer.
class RecordingHandler : public platform::contracts::dialog_view::LoggingHandler {
  public:
    RecordingHandler() { startTimer = false; }
    bool Saw(const std::string& event) const { return std::ranges::find(log, event) != log.end(); }
};

TEST(DialogWindow, ControlsArePlacedInDialogUnitsOfTheDialogFontAndKeepTheirClicks) {
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
    // A frame does not take the clicks of the controls inside it; a tool tip is the widget's.
    QWidget* slider = window.ControlWidget(kHorizontal);
    EXPECT_EQ(window.childAt(slider->geometry().center()), slider);
    window.SetToolTip(kPlay, "PLAY");
    EXPECT_EQ(window.ControlWidget(kPlay)->toolTip(), "PLAY");
}

TEST(DialogWindow, TabFollowsTheTemplateOrderAndAVerticalTrackbarHasItsMinimumAtTheTop) {
    RecordingHandler handler;
    std::vector<QWidget*> visited;
    qt_test::RunWhenActive(kDialog, handler, [&](QtDialogWindow& window) {
        for (int i = 0; i < 5; ++i) {
            visited.push_back(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        const std::vector<QWidget*> expected{
            window.ControlWidget(platform::kIdOk), window.ControlWidget(kPlay),
            window.ControlWidget(kHorizontal), window.ControlWidget(kVertical),
            window.ControlWidget(platform::kIdOk)};
        EXPECT_EQ(visited, expected);

        // Qt's own vertical slider has its maximum at the top; the host's, and so this one, at
        // the bottom.
        window.SetSliderRange(kVertical, 0, 100, true);
        window.SetSliderPos(kVertical, 50, true);
        QWidget* vertical = window.ControlWidget(kVertical);
        vertical->setFocus();
        QTest::keyClick(vertical, Qt::Key_Up);
        EXPECT_EQ(window.GetSliderPos(kVertical), 49);
        EXPECT_TRUE(handler.Saw("vscroll " + std::to_string(kVertical) + " " +
                                std::to_string(static_cast<int>(ScrollCode::LineUp))));
    });
    EXPECT_EQ(visited.size(), 5u);
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
    qt_test::RunWhenActive(kDialog, handler, [&](QtDialogWindow& window) {
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

TEST(DialogWindow, TheWindowMenuHoldsCloseAndTheAddedItemsBelowASeparator) {
    RecordingHandler handler;
    const int result = qt_test::RunWhenActive(kDialog, handler, [](QtDialogWindow& window) {
        std::unique_ptr<QMenu> menu(window.BuildWindowMenu());
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), 3);
        EXPECT_EQ(actions[0]->text(), "&Close");
        EXPECT_TRUE(actions[1]->isSeparator());
        EXPECT_EQ(actions[2]->text(), "&About...");
        actions[2]->trigger();
        EXPECT_FALSE(window.EndResult().has_value());
        actions[0]->trigger();  // the handler leaves Close to the window, which cancels
    });
    EXPECT_TRUE(handler.Saw("syscommand 16"));
    EXPECT_TRUE(handler.Saw("syscommand 61536"));
    EXPECT_TRUE(handler.Saw("cancel"));
    EXPECT_EQ(result, platform::contracts::dialog_view::kEndedByCancel);
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
        qt_test::RunWhenActive(kDialog, handler, [&](QtDialogWindow& window) {
            window.ControlWidget(kPlay)->setFocus();
            QTest::keyClick(window.ControlWidget(kPlay), key, modifiers);
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            EXPECT_EQ(menu->actions().back()->text(), "&About...");
            menu->actions().back()->trigger();
            menu->close();
        });
        EXPECT_TRUE(handler.Saw("syscommand 16"));
        EXPECT_FALSE(handler.Saw("command 1005"));  // Space did not press the focused button
    }
}

}  // namespace
