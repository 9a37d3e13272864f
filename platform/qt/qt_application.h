#pragma once
// A Qt program's application object as the programs' main functions use it, without seeing Qt:
// the QApplication, the dispatcher on the GUI thread and the dialog runner.
//
// Thread: construct, use and destroy on the program's main thread, which becomes the GUI
// (dialog) thread.

#include <memory>
#include <string_view>

#include "platform/ui/dialog_runner.h"
#include "platform/ui/dispatcher.h"

namespace zav::platform::qt {

struct ApplicationNames {
    std::string_view name;       // "VoxGauge": the name the desktop shows for the windows
    std::string_view desktopId;  // the menu entry's file name without ".desktop"
};

class QtApplication {
  public:
    // programPath is argv[0]; it must outlive the object, as QApplication requires. The rest of
    // the command line is not handed to Qt: the programs take no arguments, Qt's own (-platform,
    // -style ...) included. Check NoDisplay (display_check.h) first: without a display Qt
    // aborts here.
    QtApplication(char* programPath, ApplicationNames names);
    ~QtApplication();
    QtApplication(const QtApplication&) = delete;
    QtApplication& operator=(const QtApplication&) = delete;

    Dispatcher& DialogDispatcher();
    DialogRunner& Runner();

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace zav::platform::qt
