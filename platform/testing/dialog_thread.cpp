#include "platform/testing/dialog_thread.h"

namespace zav::platform::sim {

DialogThread::DialogThread() : thread_([this](std::stop_token stop) { Loop(stop); }) {}

DialogThread::~DialogThread() {
    thread_.request_stop();
    thread_.join();
}

bool DialogThread::OnDialogThread() const {
    return std::this_thread::get_id() == thread_.get_id();
}

void DialogThread::Flush() {
    static_cast<void>(Send([] {}));  // refused only inside a callback, where it is reported
}

void DialogThread::Loop(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (true) {
        posted_.wait(lock, stop, [this] { return HasTasks(); });
        if (!RunOne(lock))
            return;  // stop requested and nothing left to run
    }
}

}  // namespace zav::platform::sim
