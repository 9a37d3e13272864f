#pragma once
// One running dialog on the host's own dialog manager: the window DialogBoxIndirectParamW makes
// from the template, seen by the presenter as its DialogView and DialogTimers. The dialog
// procedure turns the host's messages into the calls of the dialog's session (DialogSession,
// which keeps the order, the routing and the first focus):
//
//   WM_INITDIALOG    the controls exist, the window is hidden: pictures go on the icon buttons
//                    and icon controls, then Create; when that stops the dialog, the run ends
//                    there unseen; else Init, and the focus goes to the control it names
//   WM_COMMAND       Command: IDOK (the OK button, Enter), IDCANCEL (Esc, the close box, Close)
//                    and the clicks of the push buttons
//   WM_HSCROLL/VSCROLL  Scroll, for a trackbar the user moved, with its TB_* code
//   WM_SYSCOMMAND    SystemCommand; what it leaves goes to the default processing
//   WM_TIMER         Timer, for the timers started through Timers() and still running
//   WM_DESTROY       Destroy
//
// Changes the presenter makes never come back to it: trackbar messages from code send no scroll
// notification. Trackbars keep the rules of TrackbarState.
//
// Thread: dialog.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/ui/dialog_handler.h"
#include "platform/ui/dialog_session.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/dialog_timers.h"
#include "platform/ui/dialog_view.h"
#include "platform/win32_dialogs/gdi_handles.h"
#include "platform/win32_dialogs/win32_message_boxes.h"

namespace zav::platform::win32 {

class PaintedControlWindow;

class Win32DialogWindow final : public DialogView, public DialogTimers {
  public:
    using Observer = std::function<void(Win32DialogWindow& window)>;

    Win32DialogWindow(const DialogTemplate& dialog, DialogHandler& handler);
    ~Win32DialogWindow() override;
    Win32DialogWindow(const Win32DialogWindow&) = delete;
    Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

    // Runs the dialog modally, owned by owner (may be null); returns the result given to
    // EndDialog, or -1 when OnCreate stopped it or the host could not make the window. observer
    // is called once the dialog is initialised and about to be shown (unless it has ended).
    int Run(HWND owner, const Observer& observer);

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

    // The host's side, for tests and the runner.
    HWND Handle() const { return window_; }
    // The control's window when the template holds id; null otherwise.
    HWND ControlHandle(int id) const;
    // The painted child over control id, or null.
    HWND PaintedHandle(int id) const;
    // The tool-tip window, once a tip was set.
    HWND ToolTipHandle() const { return toolTips_; }
    std::optional<int> EndResult() const { return session_.Result(); }
    const DialogTemplate& Template() const { return dialog_; }

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnInitDialog();
    void OnCommand(int id, int code);
    void OnScroll(HWND control, WPARAM wParam);
    void PutPictures();
    // The control's window when the template holds id with a kind that kindFits accepts.
    HWND Control(int id, bool (*kindFits)(ControlKind)) const;

    const DialogTemplate& dialog_;
    DialogSession session_;
    HWND window_ = nullptr;
    Win32MessageBoxes boxes_{window_};
    const Observer* observer_ = nullptr;
    bool createStopped_ = false;
    std::set<std::uint32_t> timers_;
    std::map<int, std::unique_ptr<PaintedControlWindow>> painted_;
    std::map<int, int> sunkenValues_;  // the level a painted frame shows, as the program set it
    std::vector<UniqueIcon> icons_;    // pictures of controls and the window, freed after it
    HWND toolTips_ = nullptr;
};

}  // namespace zav::platform::win32
