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

class QtApplication {
  public:
    // argc and argv must outlive the object, as QApplication requires.
    QtApplication(int& argc, char** argv, std::string_view applicationName);
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
