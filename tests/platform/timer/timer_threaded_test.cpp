// Timers whose ticks come from a real thread: the real timer and the simulated one in threaded
// mode. Ticks reach the dialog thread by Post, and a kill (from another thread, from inside the
// callback, or by destroying the timer) leaves no tick behind. Run under ThreadSanitizer in CI.
// The waits below are generous safety nets; nothing here measures time.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/testing/dialog_thread.h"
#include "platform/testing/sim_multimedia_timer.h"
#include "platform/timer/thread_timer.h"
#ifdef _WIN32
#include "platform/win32/win32_multimedia_timer.h"
#endif

namespace {

using namespace std::chrono_literals;
using zav::platform::kNoTimerEvent;
using zav::platform::MultimediaTimer;
using zav::platform::ThreadTimer;
using zav::platform::TimerEventId;
using zav::platform::TimerResult;
using zav::platform::sim::DialogThread;
using zav::platform::sim::SimMultimediaTimer;

constexpr std::uint32_t kFastPeriodMs = 2;
constexpr std::uint32_t kResolutionMs = 1;
constexpr auto kSafetyNet = 30s;
// Long enough for several periods to pass, so that a tick that should not come would.
constexpr auto kSeveralPeriods = 30ms;

struct RealThreadTimer {
    ThreadTimer timer;
};

struct ThreadedSimTimer {
    ThreadedSimTimer() { timer.StartThreads(); }
    SimMultimediaTimer timer;
};

// What the ticks did, written by the timer thread and read by the test under one lock.
class TickRecord {
  public:
    void Enter() {
        std::lock_guard lock(mutex_);
        inside_ = true;
        ++ticks_;
        changed_.notify_all();
    }
    void Leave() {
        std::lock_guard lock(mutex_);
        inside_ = false;
    }
    void Tick() {
        Enter();
        Leave();
    }
    bool WaitForTicks(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kSafetyNet, [&] { return ticks_ >= count; });
    }
    int Ticks() const {
        std::lock_guard lock(mutex_);
        return ticks_;
    }
    bool Inside() const {
        std::lock_guard lock(mutex_);
        return inside_;
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int ticks_ = 0;
    bool inside_ = false;
};

// Each test declares its rig after what the callbacks touch, so the timer goes first even when
// an assertion ends the test early.
template <typename Rig>
class ThreadedTimer : public testing::Test {};

#ifdef _WIN32
// The host's own multimedia timer keeps the same promises.
struct HostTimer {
    zav::platform::win32::Win32MultimediaTimer timer;
};
using Rigs = testing::Types<RealThreadTimer, ThreadedSimTimer, HostTimer>;
#else
using Rigs = testing::Types<RealThreadTimer, ThreadedSimTimer>;
#endif
TYPED_TEST_SUITE(ThreadedTimer, Rigs);

TYPED_TEST(ThreadedTimer, TicksReachTheDialogThreadByPost) {
    DialogThread dialog;
    TickRecord handled;
    std::mutex mutex;
    int callbacksOnDialogThread = 0;
    int tasksOffDialogThread = 0;
    TypeParam rig;
    MultimediaTimer& timer = rig.timer;
    const TimerEventId event = timer.SetEvent(kFastPeriodMs, kResolutionMs, [&](TimerEventId) {
        {
            std::lock_guard lock(mutex);
            callbacksOnDialogThread += dialog.OnDialogThread() ? 1 : 0;
        }
        dialog.Post([&] {
            {
                std::lock_guard lock(mutex);
                tasksOffDialogThread += dialog.OnDialogThread() ? 0 : 1;
            }
            handled.Tick();
        });
    });
    ASSERT_NE(event, kNoTimerEvent);

    EXPECT_TRUE(handled.WaitForTicks(5));
    EXPECT_EQ(timer.KillEvent(event), TimerResult::NoError);
    dialog.Flush();
    std::lock_guard lock(mutex);
    EXPECT_EQ(callbacksOnDialogThread, 0);
    EXPECT_EQ(tasksOffDialogThread, 0);
}

TYPED_TEST(ThreadedTimer, AKillFromAnotherThreadLeavesNoTickBehind) {
    for (int round = 0; round < 10; ++round) {
        TickRecord record;
        TypeParam rig;
        MultimediaTimer& timer = rig.timer;
        const TimerEventId event = timer.SetEvent(kFastPeriodMs, kResolutionMs, [&](TimerEventId) {
            record.Enter();
            std::this_thread::sleep_for(200us);  // widens the window a kill can land in
            record.Leave();
        });
        ASSERT_NE(event, kNoTimerEvent);
        ASSERT_TRUE(record.WaitForTicks(3));

        ASSERT_EQ(timer.KillEvent(event), TimerResult::NoError);
        EXPECT_FALSE(record.Inside());
        const int ticksAtKill = record.Ticks();
        std::this_thread::sleep_for(kSeveralPeriods);
        EXPECT_EQ(record.Ticks(), ticksAtKill) << "round " << round;
        EXPECT_EQ(timer.KillEvent(event), TimerResult::NoCanDo);
    }
}

TYPED_TEST(ThreadedTimer, AKillFromInsideTheCallbackStopsTheEvent) {
    constexpr int kKillAtTick = 3;
    TickRecord record;
    std::mutex mutex;
    TimerResult killResult = TimerResult::Struct;  // anything but the two answers expected
    TypeParam rig;
    MultimediaTimer& timer = rig.timer;
    timer.SetEvent(kFastPeriodMs, kResolutionMs, [&](TimerEventId self) {
        record.Tick();
        if (record.Ticks() == kKillAtTick) {
            const TimerResult result = timer.KillEvent(self);
            std::lock_guard lock(mutex);
            killResult = result;
        }
    });

    ASSERT_TRUE(record.WaitForTicks(kKillAtTick));
    std::this_thread::sleep_for(kSeveralPeriods);
    EXPECT_EQ(record.Ticks(), kKillAtTick);
    std::lock_guard lock(mutex);
    EXPECT_EQ(killResult, TimerResult::NoError);
}

TYPED_TEST(ThreadedTimer, DestroyingTheTimerKillsEveryEvent) {
    TickRecord first;
    TickRecord second;
    std::optional<TypeParam> rig(std::in_place);
    MultimediaTimer& timer = rig->timer;
    timer.SetEvent(kFastPeriodMs, kResolutionMs, [&](TimerEventId) { first.Tick(); });
    timer.SetEvent(kFastPeriodMs + 1, kResolutionMs, [&](TimerEventId) { second.Tick(); });
    ASSERT_TRUE(first.WaitForTicks(2));
    ASSERT_TRUE(second.WaitForTicks(2));

    rig.reset();
    const int firstTicks = first.Ticks();
    const int secondTicks = second.Ticks();
    std::this_thread::sleep_for(kSeveralPeriods);
    EXPECT_EQ(first.Ticks(), firstTicks);
    EXPECT_EQ(second.Ticks(), secondTicks);
    EXPECT_FALSE(first.Inside());
    EXPECT_FALSE(second.Inside());
}

}  // namespace
