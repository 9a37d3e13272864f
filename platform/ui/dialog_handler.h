#pragma once
// A dialog's presenter as the window backend calls it: the host's window messages and control
// notifications, one member each. The backend calls them in the host's order: OnCreate (before
// anything is shown), OnInitDialog, then user actions and timer ticks, and OnDestroy once the
// window goes away.
//
// Called on: the dialog thread, one at a time.

#include <cstdint>

#include "platform/ui/dialog_view.h"
#include "platform/ui/scroll_code.h"

namespace zav::platform {

// The host's system commands that reach OnSysCommand besides a program's own items.
inline constexpr std::uint32_t kSysCommandClose = 0xF060;  // SC_CLOSE

class DialogHandler {
  public:
    virtual ~DialogHandler() = default;

    // The window exists but is not shown. 0 lets creation go on; -1 stops it: the window is
    // destroyed unseen (OnDestroy still runs) and the modal run ends at once with -1. The view
    // stays valid until OnDestroy has returned.
    virtual int OnCreate(DialogView& view) = 0;
    // true: the backend puts the focus on the first tab-stop control; false: the handler has
    // placed it.
    virtual bool OnInitDialog() { return true; }

    // A button other than OK and Cancel was clicked.
    virtual void OnCommand(int /*controlId*/) {}
    // The user moved a horizontal or vertical trackbar.
    virtual void OnHScroll(int /*controlId*/, ScrollCode /*code*/) {}
    virtual void OnVScroll(int /*controlId*/, ScrollCode /*code*/) {}
    // A window-menu command. true when handled; false lets the backend do the default
    // (kSysCommandClose cancels the dialog).
    virtual bool OnSysCommand(std::uint32_t /*commandId*/) { return false; }
    virtual void OnTimer(std::uint32_t /*timerId*/) {}

    // OK button or Enter on the default button; Esc, the close box or Close.
    virtual void OnOK() = 0;
    virtual void OnCancel() = 0;

    // The window is going away (after either end, or after a failed OnCreate).
    virtual void OnDestroy() {}
};

}  // namespace zav::platform
