#pragma once
// A dialog window built from a template: one widget per control, placed by converting dialog
// units with the dialog font's metrics, Tab moving through the tab-stop controls in template
// order, Enter pressing the default button and Esc cancelling. The window is the presenter's
// DialogView and DialogTimers; the user's actions reach the presenter's DialogHandler, while
// changes the presenter makes never come back to it.
//
// The desktop offers no system menu a program could extend (Wayland compositors draw none for
// their clients at all), so the window's context menu stands in for it: Close, and below a
// separator each item the presenter added. It opens with the right mouse button and from the
// keyboard with the menu key, Shift+F10 or Alt+Space (the host's key for the window menu, where
// the desktop leaves it to the program), on X11 and Wayland alike.
//
// Each control widget is named "control<id>" (for example "control1001") so tests can find it.
// Every control with a text has that text (without its mnemonic mark) as its accessible name,
// also the buttons that show an icon instead; a control that shows none (a trackbar, the gauge,
// a meter's frame) takes the template's accessibleName, and the label that shows that same text
// becomes its buddy, so that assistive tools know it as labelled by it. Push buttons keep the
// program's pushed-in state themselves (PushStateButton); a painted child (PaintedControl)
// covers its frame's client area, and the frame (SunkenFrame) carries the level it shows.
//
// Thread: GUI.

#include <QDialog>
#include <QString>
#include <map>
#include <optional>
#include <vector>

#include "platform/qt/qt_message_boxes.h"
#include "platform/ui/dialog_handler.h"
#include "platform/ui/dialog_session.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/dialog_timers.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/dialog_view.h"

class QMenu;

namespace zav::platform::qt {

class PaintedControl;

class QtDialogWindow : public QDialog, public DialogView, public DialogTimers {
    Q_OBJECT

  public:
    QtDialogWindow(const DialogTemplate& dialog, DialogHandler& handler, QWidget* owner);
    ~QtDialogWindow() override;

    // DialogView
    void EnableControl(int id, bool enable) override;
    bool IsControlEnabled(int id) const override;
    void SetFocus(int id) override;
    void SetSliderRange(int id, int minimum, int maximum, bool redraw) override;
    void SetSliderPos(int id, int position, bool redraw) override;
    int GetSliderPos(int id) const override;
    bool SetSliderTic(int id, int position) override;
    int GetSliderRangeMax(int id) const override;
    void SetControlValue(int id, int value) override;
    int GetControlValue(int id) const override;
    void SetButtonState(int id, bool pushed) override;
    bool GetButtonState(int id) const override;
    void SetToolTip(int id, std::string_view text) override;
    ClientRect GetControlClientRect(int id) const override;
    void AttachPainter(int id, ControlPainter* painter) override;
    void Repaint(int id) override;
    void SetIcon(const IconDrawing& icon) override;
    void AddSystemMenuItem(std::uint32_t commandId, std::string_view text) override;
    MessageBoxes& Messages() override { return boxes_; }
    DialogTimers& Timers() override { return *this; }
    void EndDialog(int result) override;

    // DialogTimers
    void SetTimer(std::uint32_t id, std::uint32_t periodMs) override;
    bool KillTimer(std::uint32_t id) override;

    // The runner's side: the dialog's order and routing.
    DialogSession& Session() { return session_; }
    // Gives control id the focus as Tab would (the first focus of the dialog).
    void FocusAsFirst(int id);
    // Shows the window and runs its modal loop until EndDialog; returns at once when the dialog
    // was ended before it was shown. The result given to EndDialog (Cancel if none was).
    int RunModalLoop();
    std::optional<int> EndResult() const { return session_.Result(); }
    // The window menu as it would open now (for tests); the caller owns it.
    QMenu* BuildWindowMenu();

    QWidget* ControlWidget(int id) const;
    const DialogBaseUnits& BaseUnits() const { return baseUnits_; }

  protected:
    void accept() override;
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    struct MenuItem {
        std::uint32_t commandId;
        QString text;
    };

    void BuildControls();
    QWidget* BuildControl(const ControlTemplate& control);
    // built: the widget of each template control, in template order.
    void LinkLabels(const std::vector<QWidget*>& built);
    void OnSystemCommand(std::uint32_t commandId);
    void PopUpWindowMenu(const QPoint& at);

    const DialogTemplate& dialog_;
    DialogSession session_;
    QtMessageBoxes boxes_;
    DialogBaseUnits baseUnits_;
    std::map<int, QWidget*> controls_;        // by id; the widgets are children of the window
    std::map<int, PaintedControl*> painted_;  // by the id of the control each one covers
    std::map<std::uint32_t, int> timers_;     // dialog timer id -> Qt timer id
    std::vector<MenuItem> menuItems_;
    bool inModalLoop_ = false;
};

}  // namespace zav::platform::qt
