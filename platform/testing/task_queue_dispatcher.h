#pragma once
// The part the test dispatchers share: a queue of posted tasks, and Send from another thread as a
// post that waits until the dialog thread has run the task; a Send refused inside a device or
// timer callback is reported as a broken rule. Subclasses decide which thread is the dialog
// thread and when the queue runs.
//
// Thread: Post and Send from any thread; RunOne on the dialog thread.

#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/sim/rule_violation.h"
#include "platform/ui/dispatcher.h"

namespace zav::platform::sim {

class TaskQueueDispatcher : public Dispatcher {
  public:
    void Post(Task task) final;

    // Where a Send from inside a callback is reported (it is refused in any case): by default
    // the program aborts with the message, as the simulated card does for its rules.
    void SetViolationHandler(RuleViolationHandler handler);

  protected:
    TaskQueueDispatcher() = default;
    ~TaskQueueDispatcher() override = default;
    TaskQueueDispatcher(const TaskQueueDispatcher&) = delete;
    TaskQueueDispatcher& operator=(const TaskQueueDispatcher&) = delete;

    bool DoSend(Task task) final;
    void OnSendRefused() final;

    // Runs the first queued task with the lock released; false when the queue is empty.
    bool RunOne(std::unique_lock<std::mutex>& lock);
    bool HasTasks() const { return !tasks_.empty(); }        // needs mutex_ held
    std::size_t TaskCount() const { return tasks_.size(); }  // needs mutex_ held

    mutable std::mutex mutex_;
    std::condition_variable posted_;

  private:
    std::deque<Task> tasks_;
    RuleViolationHandler onViolation_ = AbortOnRuleViolation;  // guarded by mutex_
};

}  // namespace zav::platform::sim
