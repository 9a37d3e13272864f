#pragma once
// A dialog thread of its own: a loop on a separate thread that runs posted and sent tasks in
// order, for threaded scenarios where the test thread must stay free. Destroying it runs the
// tasks still queued, then ends the thread.
//
// Thread: Post, Send, OnDialogThread and Flush from any thread; the destructor not from the
// loop's own thread.

#include "platform/testing/task_queue_dispatcher.h"
#include "platform/threads/stoppable_thread.h"

namespace zav::platform::sim {

class DialogThread final : public TaskQueueDispatcher {
  public:
    DialogThread();
    ~DialogThread() override;
    DialogThread(const DialogThread&) = delete;
    DialogThread& operator=(const DialogThread&) = delete;

    bool OnDialogThread() const override;

    // Returns once every task posted before the call has run.
    void Flush();

  private:
    void Loop();

    StoppableThread thread_;  // starts after the queue exists, joins before it goes
};

}  // namespace zav::platform::sim
