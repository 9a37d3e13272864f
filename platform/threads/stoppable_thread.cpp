#include "platform/threads/stoppable_thread.h"

#include <utility>

namespace zav::platform {

StoppableThread::~StoppableThread() {
    Stop();
}

void StoppableThread::Start(std::mutex& mutex, std::function<void()> wake,
                            std::function<void()> loop) {
    mutex_ = &mutex;
    wake_ = std::move(wake);
    stopRequested_ = false;  // no worker runs yet, so nobody reads it
    thread_ = std::thread(std::move(loop));
}

void StoppableThread::Stop() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(*mutex_);
        stopRequested_ = true;
        wake_();
    }
    thread_.join();
}

}  // namespace zav::platform
