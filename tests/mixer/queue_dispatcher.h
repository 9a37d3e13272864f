#pragma once
// A dispatcher for tests: posted tasks wait in a queue until the test runs them, standing in for
// the dialog thread's message loop.

#include <cstddef>
#include <deque>
#include <mutex>
#include <utility>

#include "platform/ui/dispatcher.h"

namespace zav::test {

class QueueDispatcher : public platform::Dispatcher {
  public:
    void Post(Task task) override {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    void Send(Task task) override { task(); }
    bool OnDialogThread() const override { return true; }

    // Runs queued tasks, including those they post, until the queue is empty.
    std::size_t RunPending() {
        std::size_t ran = 0;
        for (;;) {
            Task task;
            {
                std::lock_guard lock(mutex_);
                if (tasks_.empty())
                    return ran;
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
            ++ran;
        }
    }

    std::size_t Pending() const {
        std::lock_guard lock(mutex_);
        return tasks_.size();
    }

  private:
    mutable std::mutex mutex_;
    std::deque<Task> tasks_;
};

}  // namespace zav::test
