#pragma once
// Runs dialogs modally on the host's dialog manager (DialogBoxIndirectParamW), from the
// programs' templates, in the host's order (see win32_dialog_window.h). A dialog run while
// another one runs is owned by it, and the owner is disabled meanwhile.
//
// Thread: dialog (the thread that runs the program's windows).

#include "platform/ui/dialog_runner.h"
#include "platform/ui/running_dialogs.h"
#include "platform/win32_dialogs/win32_dialog_window.h"

namespace zav::platform::win32 {

class Win32DialogRunner final : public DialogRunner {
  public:
    int RunModal(const DialogTemplate& dialog, DialogHandler& handler) override;

    // Called with each window once it is initialised and about to be shown, before its modal
    // loop starts (tests use it to drive the window).
    void SetWindowObserver(Win32DialogWindow::Observer observer) {
        observer_ = std::move(observer);
    }

  private:
    RunningDialogs<Win32DialogWindow> running_;
    Win32DialogWindow::Observer observer_;
};

}  // namespace zav::platform::win32
