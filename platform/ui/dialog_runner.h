#pragma once
// Runs dialogs modally: the window backend's entry point for presenters and applications.

#include "platform/ui/dialog_handler.h"
#include "platform/ui/dialog_template.h"

namespace zav::platform {

class DialogRunner {
  public:
    virtual ~DialogRunner() = default;

    // Builds the window from the template (owned by the dialog that is running now, if any),
    // runs handler through it and returns the result given to EndDialog, or -1 when OnCreate
    // stopped the creation. Returns when the window is gone. Thread: dialog.
    virtual int RunModal(const DialogTemplate& dialog, DialogHandler& handler) = 0;
};

}  // namespace zav::platform
