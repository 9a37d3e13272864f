#pragma once
// A Windows program's window side as the programs' main functions use it: the common controls
// registered (trackbars, tool tips), the backend's own window classes, the dispatcher on the
// main thread and the dialog runner.
//
// Thread: construct, use and destroy on the program's main thread, which becomes the dialog
// thread.

#include "platform/win32_dialogs/win32_dialog_runner.h"
#include "platform/win32_dialogs/win32_dispatcher.h"

namespace zav::platform::win32 {

// InitCommonControlsEx for the classes the templates use, and the backend's own classes; false
// when the system refused one of them. Safe to call more than once.
bool InitDialogClasses();

class Win32Application {
  public:
    Win32Application();

    // False when a window class could not be registered: the dialogs would not show.
    bool Ready() const { return ready_; }
    Dispatcher& DialogDispatcher() { return dispatcher_; }
    DialogRunner& Runner() { return runner_; }

  private:
    bool ready_;
    Win32Dispatcher dispatcher_;
    Win32DialogRunner runner_;
};

}  // namespace zav::platform::win32
