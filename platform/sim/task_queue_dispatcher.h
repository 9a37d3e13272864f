#pragma once
// The part the test dispatchers share: a queue of posted tasks, and Send as a post that waits
// until the dialog thread has run the task (or runs it inline on that thread). Subclasses
// decide which thread is the dialog thread and when the queue runs.
//
// Thread: Post and Send from any thread; RunOne on the dialog thread.

#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/ui/dispatcher.h"

namespace zav::platform::sim {

class TaskQueueDispatcher : public Dispatcher {
  public:
    void Post(Task task) final;
    void Send(Task task) final;

  protected:
    TaskQueueDispatcher() = default;
    ~TaskQueueDispatcher() override = default;
    TaskQueueDispatcher(const TaskQueueDispatcher&) = delete;
    TaskQueueDispatcher& operator=(const TaskQueueDispatcher&) = delete;

    // Runs the first queued task with the lock released; false when the queue is empty.
    bool RunOne(std::unique_lock<std::mutex>& lock);
    bool HasTasks() const { return !tasks_.empty(); }        // needs mutex_ held
    std::size_t TaskCount() const { return tasks_.size(); }  // needs mutex_ held

    mutable std::mutex mutex_;
    std::condition_variable_any posted_;

  private:
    std::deque<Task> tasks_;
};

}  // namespace zav::platform::sim
