#include "platform/sim/manual_dispatcher.h"

#include <utility>

namespace zav::platform::sim {

ManualDispatcher::ManualDispatcher() : dialogThread_(std::this_thread::get_id()) {}

void ManualDispatcher::Post(Task task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    posted_.notify_all();
}

void ManualDispatcher::Send(Task task) {
    if (OnDialogThread()) {
        task();
        return;
    }
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
}

bool ManualDispatcher::OnDialogThread() const {
    return std::this_thread::get_id() == dialogThread_;
}

bool ManualDispatcher::RunOne(std::unique_lock<std::mutex>& lock) {
    if (tasks_.empty())
        return false;
    Task task = std::move(tasks_.front());
    tasks_.pop_front();
    lock.unlock();
    task();
    lock.lock();
    return true;
}

std::size_t ManualDispatcher::RunPending() {
    std::unique_lock lock(mutex_);
    std::size_t ran = 0;
    while (RunOne(lock))
        ++ran;
    return ran;
}

std::size_t ManualDispatcher::RunFor(std::chrono::milliseconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    std::unique_lock lock(mutex_);
    std::size_t ran = 0;
    while (true) {
        while (RunOne(lock))
            ++ran;
        if (!posted_.wait_until(lock, deadline, [this] { return !tasks_.empty(); }))
            break;
    }
    return ran;
}

std::size_t ManualDispatcher::pendingCount() const {
    std::lock_guard lock(mutex_);
    return tasks_.size();
}

}  // namespace zav::platform::sim
