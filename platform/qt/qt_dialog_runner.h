#pragma once
// Runs dialogs modally in Qt windows, in the host's order: the window is built from the template
// but not shown; OnCreate may stop it there (the window is destroyed unseen and the run ends
// with -1); OnInitDialog; the modal loop until EndDialog; OnDestroy; the window goes away.
// A dialog run while another one runs is owned by it.
//
// Thread: GUI.

#include <functional>

#include "platform/ui/dialog_runner.h"
#include "platform/ui/running_dialogs.h"

namespace zav::platform::qt {

class QtDialogWindow;

class QtDialogRunner : public DialogRunner {
  public:
    int RunModal(const DialogTemplate& dialog, DialogHandler& handler) override;

    // Called with each window once it is initialised and about to be shown, before its modal
    // loop starts (tests use it to drive the window).
    using WindowObserver = std::function<void(QtDialogWindow& window)>;
    void SetWindowObserver(WindowObserver observer) { observer_ = std::move(observer); }

  private:
    RunningDialogs<QtDialogWindow> running_;
    WindowObserver observer_;
};

}  // namespace zav::platform::qt
