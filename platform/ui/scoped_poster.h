#pragma once
// Posts tasks to the dialog thread on behalf of an owner that may go away before they run.
// Destroying the poster cancels every task it has queued: a task posted through it runs only
// while the poster lives, so an engine can post from its device or timer threads without a
// hand-made liveness check of its own.
//
// Thread: Post from any thread. The poster is made and destroyed on the dialog thread, where
// its tasks run, so no task is running while it is destroyed.

#include <atomic>
#include <memory>

#include "platform/ui/dispatcher.h"

namespace zav::platform {

class ScopedPoster {
  public:
    explicit ScopedPoster(Dispatcher& dispatcher)
        : dispatcher_(dispatcher), alive_(std::make_shared<std::atomic<bool>>(true)) {}
    ~ScopedPoster() { alive_->store(false); }
    ScopedPoster(const ScopedPoster&) = delete;
    ScopedPoster& operator=(const ScopedPoster&) = delete;

    // Queues task for the dialog thread; it is dropped there if the poster has gone by then.
    void Post(Dispatcher::Task task) {
        dispatcher_.Post([alive = alive_, task = std::move(task)] {
            if (alive->load())
                task();
        });
    }

    Dispatcher& Target() const { return dispatcher_; }

  private:
    Dispatcher& dispatcher_;
    std::shared_ptr<std::atomic<bool>> alive_;
};

}  // namespace zav::platform
