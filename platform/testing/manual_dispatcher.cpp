#include "platform/testing/manual_dispatcher.h"

namespace zav::platform::sim {

ManualDispatcher::ManualDispatcher() : dialogThread_(std::this_thread::get_id()) {}

bool ManualDispatcher::OnDialogThread() const {
    return std::this_thread::get_id() == dialogThread_;
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
        if (!posted_.wait_until(lock, deadline, [this] { return HasTasks(); }))
            break;
    }
    return ran;
}

std::size_t ManualDispatcher::PendingCount() const {
    std::lock_guard lock(mutex_);
    return TaskCount();
}

}  // namespace zav::platform::sim
