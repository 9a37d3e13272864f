#include "platform/testing/task_queue_dispatcher.h"

#include <utility>

namespace zav::platform::sim {

void TaskQueueDispatcher::Post(Task task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    posted_.notify_all();
}

void TaskQueueDispatcher::SetViolationHandler(RuleViolationHandler handler) {
    std::lock_guard lock(mutex_);
    onViolation_ = handler ? std::move(handler) : RuleViolationHandler(AbortOnRuleViolation);
}

void TaskQueueDispatcher::OnSendRefused() {
    RuleViolationHandler report;
    {
        std::lock_guard lock(mutex_);
        report = onViolation_;
    }
    report("Send from inside a device or timer callback");
}

bool TaskQueueDispatcher::DoSend(Task task) {
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    bool done = false;
    Post([&] {
        task();
        std::lock_guard lock(doneMutex);
        done = true;
        doneSignal.notify_all();
    });
    std::unique_lock lock(doneMutex);
    doneSignal.wait(lock, [&] { return done; });
    return true;
}

bool TaskQueueDispatcher::RunOne(std::unique_lock<std::mutex>& lock) {
    if (tasks_.empty())
        return false;
    Task task = std::move(tasks_.front());
    tasks_.pop_front();
    lock.unlock();
    task();
    lock.lock();
    return true;
}

}  // namespace zav::platform::sim
