#pragma once
// The window of one running dialog as its presenter sees it: controls addressed by the ids of
// the dialog's template, its timers, its message boxes, the extra menu item, and ending it.
// Setting a control from here never comes back as a notification: only the user's own actions
// reach the handler.
//
// Thread: dialog, for every member. Ids that the template does not hold, or that name a
// control of another kind, are ignored (getters answer 0).

#include <cstdint>
#include <string_view>

#include "platform/ui/canvas.h"
#include "platform/ui/dialog_timers.h"
#include "platform/ui/icon_drawing.h"
#include "platform/ui/message_box.h"

namespace zav::platform {

class DialogView {
  public:
    virtual ~DialogView() = default;

    // EnableWindow.
    virtual void EnableControl(int id, bool enable) = 0;
    virtual bool IsControlEnabled(int id) const = 0;
    // SetFocus on a control; id 0 gives the focus to the dialog itself.
    virtual void SetFocus(int id) = 0;

    // Trackbars (TBM_SETRANGE, TBM_SETPOS, TBM_GETPOS, TBM_SETTIC). The position is kept inside
    // the range. A tick outside the range is refused (false), as on the host.
    virtual void SetSliderRange(int id, int minimum, int maximum, bool redraw) = 0;
    virtual void SetSliderPos(int id, int position, bool redraw) = 0;
    virtual int GetSliderPos(int id) const = 0;
    virtual bool SetSliderTic(int id, int position) = 0;
    // TBM_GETRANGEMAX.
    virtual int GetSliderRangeMax(int id) const = 0;

    // The value of a control that shows one number (the gauge's value property).
    virtual void SetControlValue(int id, int value) = 0;
    virtual int GetControlValue(int id) const = 0;

    // BM_SETSTATE: a push button drawn pushed in until it is set back, whatever happens to its
    // focus or its enabled state meanwhile.
    virtual void SetButtonState(int id, bool pushed) = 0;
    virtual bool GetButtonState(int id) const = 0;
    // The text a control shows when the pointer rests on it; empty removes it.
    virtual void SetToolTip(int id, std::string_view text) = 0;

    // GetClientRect of a control: its inside, in pixels, from (0, 0).
    virtual ClientRect GetControlClientRect(int id) const = 0;
    // Puts a child window that painter draws over the whole client area of control id (a
    // sunken frame), or takes it away again with null. The painter must stay alive until it
    // is taken away or the dialog ends.
    virtual void AttachPainter(int id, ControlPainter* painter) = 0;
    // InvalidateRect on the painted child of control id: its painter runs soon, on the dialog
    // thread. Nothing happens for a control without a painter.
    virtual void Repaint(int id) = 0;

    // WM_SETICON, large and small.
    virtual void SetIcon(const IconDrawing& icon) = 0;
    // Appends a separator and then an item with commandId and text to the window's menu of
    // window commands (the system menu, or what stands for it); choosing it calls
    // OnSysCommand(commandId).
    virtual void AddSystemMenuItem(std::uint32_t commandId, std::string_view text) = 0;

    // Boxes owned by this dialog (shown even while the dialog itself is not yet visible).
    virtual MessageBoxes& Messages() = 0;
    virtual DialogTimers& Timers() = 0;

    // Ends the modal run with result (kIdOk, kIdCancel ...) once the current handler returns.
    virtual void EndDialog(int result) = 0;
};

}  // namespace zav::platform
