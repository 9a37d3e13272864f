#include "platform/sim/dialog_thread.h"

#include <utility>

namespace zav::platform::sim {

DialogThread::DialogThread() : thread_([this](std::stop_token stop) { Loop(stop); }) {}

DialogThread::~DialogThread() {
    thread_.request_stop();
    thread_.join();
}

void DialogThread::Post(Task task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    posted_.notify_all();
}

void DialogThread::Send(Task task) {
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

bool DialogThread::OnDialogThread() const {
    return std::this_thread::get_id() == thread_.get_id();
}

void DialogThread::Flush() {
    Send([] {});
}

void DialogThread::Loop(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (true) {
        posted_.wait(lock, stop, [this] { return !tasks_.empty(); });
        if (tasks_.empty())
            return;  // stop requested and nothing left to run
        Task task = std::move(tasks_.front());
        tasks_.pop_front();
        lock.unlock();
        task();
        lock.lock();
    }
}

}  // namespace zav::platform::sim
