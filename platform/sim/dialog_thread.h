#pragma once
// A dialog thread of its own: a loop on a separate thread that runs posted and sent tasks in
// order, for threaded scenarios where the test thread must stay free. Destroying it runs the
// tasks still queued, then ends the thread.
//
// Thread: Post, Send, OnDialogThread and Flush from any thread; the destructor not from the
// loop's own thread.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/ui/dispatcher.h"

namespace zav::platform::sim {

class DialogThread final : public Dispatcher {
  public:
    DialogThread();
    ~DialogThread() override;
    DialogThread(const DialogThread&) = delete;
    DialogThread& operator=(const DialogThread&) = delete;

    void Post(Task task) override;
    void Send(Task task) override;
    bool OnDialogThread() const override;

    // Returns once every task posted before the call has run.
    void Flush();

  private:
    void Loop(std::stop_token stop);

    std::mutex mutex_;
    std::condition_variable_any posted_;
    std::deque<Task> tasks_;
    std::jthread thread_;  // last: starts after the queue exists, joins before it goes
};

}  // namespace zav::platform::sim
