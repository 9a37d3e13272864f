#include "platform/testing/dialog_thread.h"

namespace zav::platform::sim {

DialogThread::DialogThread() {
    thread_.Start(
        mutex_, [this] { posted_.notify_all(); }, [this] { Loop(); });
}

DialogThread::~DialogThread() {
    thread_.Stop();
}

bool DialogThread::OnDialogThread() const {
    return std::this_thread::get_id() == thread_.Id();
}

void DialogThread::Flush() {
    static_cast<void>(Send([] {}));  // refused only inside a callback, where it is reported
}

void DialogThread::Loop() {
    std::unique_lock lock(mutex_);
    while (true) {
        posted_.wait(lock, [this] { return HasTasks() || thread_.StopRequested(); });
        if (!RunOne(lock))
            return;  // stop requested and nothing left to run
    }
}

}  // namespace zav::platform::sim
