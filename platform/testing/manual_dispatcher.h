#pragma once
// A dispatcher for tests whose own thread is the dialog thread: posted tasks wait in a queue
// until the test runs them (RunPending, or RunFor in real time while other threads post).
//
// Thread: Post, Send and OnDialogThread from any thread; RunPending and RunFor on the dialog
// thread, which is the thread that made the dispatcher. Send from another thread blocks until
// the dialog thread runs the queue.

#include <chrono>
#include <cstddef>
#include <thread>

#include "platform/testing/task_queue_dispatcher.h"

namespace zav::platform::sim {

class ManualDispatcher final : public TaskQueueDispatcher {
  public:
    ManualDispatcher();

    bool OnDialogThread() const override;

    // Runs queued tasks, and those they post, until the queue is empty. Gives the number run.
    std::size_t RunPending();
    // Runs tasks as they arrive until the real time has passed. Gives the number run.
    std::size_t RunFor(std::chrono::milliseconds duration);
    std::size_t PendingCount() const;

  private:
    const std::thread::id dialogThread_;
};

}  // namespace zav::platform::sim
