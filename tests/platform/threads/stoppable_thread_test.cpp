// A worker that waits for work on its owner's condition variable, stopped wherever its loop
// happens to be: before its first wait, while it waits, or while it works with the mutex
// released. Every stop must end it; a lost wake-up shows as a test that never ends.

#include "platform/threads/stoppable_thread.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using zav::platform::StoppableThread;

constexpr int kRounds = 3000;

TEST(StoppableThread, EveryStopEndsTheWorkerWhereverItsLoopIs) {
    std::mutex mutex;
    std::condition_variable wake;
    int queued = 0;  // guarded by mutex
    int done = 0;    // guarded by mutex
    int given = 0;
    StoppableThread worker;
    for (int round = 0; round < kRounds; ++round) {
        worker.Start(
            mutex, [&] { wake.notify_all(); },
            [&] {
                std::unique_lock lock(mutex);
                while (!worker.StopRequested()) {
                    wake.wait(lock, [&] { return queued > 0 || worker.StopRequested(); });
                    if (queued == 0)
                        continue;
                    --queued;
                    lock.unlock();
                    std::this_thread::yield();  // works without the mutex, as the pumps do
                    lock.lock();
                    ++done;
                    wake.notify_all();
                }
            });
        {
            std::unique_lock lock(mutex);
            // Every third round stops at once; the others give the worker an item, and every
            // other of those first waits for it to be done, so that stops land in each part of
            // the loop (an item left over is done in a later round).
            if (round % 3 != 0) {
                ++queued;
                ++given;
                wake.notify_all();
                if (round % 3 == 2)
                    wake.wait(lock, [&] { return done == given; });
            }
        }
        worker.Stop();
    }
    std::lock_guard lock(mutex);
    EXPECT_EQ(done + queued, given);  // nothing lost, nothing done twice
}

}  // namespace
