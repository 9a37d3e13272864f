#pragma once
// The dispatcher of a Qt program: tasks run on the thread of the QApplication (the GUI
// thread, which is the dialog thread), through its event loop.
//
// Thread: construct and destroy on the GUI thread; Post, Send and OnDialogThread from any.
// Devices that post here must be stopped before the dispatcher is destroyed.

#include <memory>

#include "platform/ui/dispatcher.h"

class QObject;

namespace zav::platform::qt {

class QtDispatcher : public Dispatcher {
  public:
    QtDispatcher();
    ~QtDispatcher() override;
    QtDispatcher(const QtDispatcher&) = delete;
    QtDispatcher& operator=(const QtDispatcher&) = delete;

    void Post(Task task) override;
    bool OnDialogThread() const override;

  protected:
    bool DoSend(Task task) override;

  private:
    // Receives the queued calls; lives on the GUI thread.
    std::unique_ptr<QObject> context_;
};

}  // namespace zav::platform::qt
