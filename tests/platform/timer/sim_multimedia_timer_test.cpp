// The simulated multimedia timer on the manual clock: ticks fall due period by period, the test
// sets what the timer allows, and kills made by the dialog thread or by a callback stop the
// ticks at once, while ticks already posted to the dialog thread are recognised as stale.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/testing/manual_dispatcher.h"
#include "platform/testing/manual_timers.h"
#include "platform/testing/sim_clock.h"
#include "platform/testing/sim_multimedia_timer.h"

namespace {

using zav::platform::Dispatcher;
using zav::platform::kNoTimerEvent;
using zav::platform::MultimediaTimer;
using zav::platform::PeriodicEventInfo;
using zav::platform::TimerCaps;
using zav::platform::TimerEventId;
using zav::platform::TimerResult;
using zav::platform::sim::ManualDispatcher;
using zav::platform::sim::ManualTimers;
using zav::platform::sim::SimClock;
using zav::platform::sim::SimMultimediaTimer;

constexpr std::uint32_t kPeriodMs = 100;
constexpr std::uint32_t kResolutionMs = 20;
constexpr std::uint64_t kMicrosPerMs = 1000;

using TickLog = std::vector<std::pair<std::uint64_t, TimerEventId>>;  // (ms, event)

// The dialog thread's turn within a clock step, for a dialog thread that is busy until freeAtMs:
// from then on it runs the tasks posted so far. Attached before the timer it runs ahead of the
// step's ticks; attached after it, it runs their tasks within the same step.
class DialogTurn : public SimClock::Part {
  public:
    DialogTurn(ManualDispatcher& dispatcher, std::uint64_t freeAtMs)
        : dispatcher_(dispatcher), freeAtMicros_(freeAtMs * kMicrosPerMs) {}

    void AdvanceTo(std::uint64_t nowMicros) override {
        if (nowMicros >= freeAtMicros_)
            dispatcher_.RunPending();
    }

  private:
    ManualDispatcher& dispatcher_;
    std::uint64_t freeAtMicros_;
};

// The pattern an engine follows: every start of the timer opens a new generation, each tick
// posts the generation it was made in, and the dialog thread drops ticks of a past one. This
// one restarts on its first tick, as PLAY does after a sound has ended. All but the timer
// callback runs on the dialog thread.
class RestartingTicker {
  public:
    RestartingTicker(MultimediaTimer& timer, Dispatcher& dialog, const SimClock& clock)
        : timer_(timer), dialog_(dialog), clock_(clock) {}

    void Start() {
        ++generation_;
        event_ = timer_.SetEvent(kPeriodMs, kResolutionMs, [this, made = generation_](auto) {
            dialog_.Post([this, made] { OnTick(made); });
        });
    }
    void Stop() {
        EXPECT_EQ(timer_.KillEvent(event_), TimerResult::NoError);
        ++generation_;
    }

    std::vector<std::uint64_t> handledAtMs;
    int staleTicks = 0;

  private:
    void OnTick(std::uint64_t made) {
        if (made != generation_) {
            ++staleTicks;
            return;
        }
        handledAtMs.push_back(clock_.NowMs());
        if (handledAtMs.size() == 1) {
            Stop();
            Start();
        }
    }

    MultimediaTimer& timer_;
    Dispatcher& dialog_;
    const SimClock& clock_;
    std::uint64_t generation_ = 0;
    TimerEventId event_ = kNoTimerEvent;
};

TEST(SimMultimediaTimer, TicksFallDueEveryPeriodInTimeOrder) {
    SimClock clock;
    ManualDispatcher dialog;
    clock.AttachDispatcher(dialog);
    SimMultimediaTimer timer(clock);
    TickLog ticks;
    const auto postTick = [&](TimerEventId event) {
        dialog.Post([&, event] { ticks.emplace_back(clock.NowMs(), event); });
    };

    const TimerEventId progress = timer.SetEvent(kPeriodMs, kResolutionMs, postTick);
    const TimerEventId slower = timer.SetEvent(150, 50, postTick);
    ASSERT_NE(progress, kNoTimerEvent);
    ASSERT_NE(slower, kNoTimerEvent);
    clock.Advance(350);

    // At 300 ms both are due: the lower id goes first.
    const TickLog expected{
        {100, progress}, {150, slower}, {200, progress}, {300, progress}, {300, slower}};
    EXPECT_EQ(ticks, expected);
    EXPECT_EQ(timer.FindEvent(progress),
              (PeriodicEventInfo{progress, kPeriodMs, kResolutionMs, 3}));

    EXPECT_EQ(timer.KillEvent(progress), TimerResult::NoError);
    ticks.clear();
    clock.Advance(200);
    EXPECT_EQ(ticks, (TickLog{{450, slower}}));
    ASSERT_EQ(timer.RunningEvents().size(), 1u);
    EXPECT_EQ(timer.RunningEvents()[0].id, slower);
}

TEST(SimMultimediaTimer, CapsRefusalsAndFailuresAreTheTestsToSet) {
    SimMultimediaTimer timer;
    const TimerCaps caps{10, 500};
    timer.SetCaps(caps);
    TimerCaps reported;
    EXPECT_EQ(timer.GetDevCaps(reported), TimerResult::NoError);
    EXPECT_EQ(reported, caps);

    EXPECT_EQ(timer.BeginPeriod(kPeriodMs), TimerResult::NoError);
    EXPECT_EQ(timer.BeginPeriod(caps.periodMin - 1), TimerResult::NoCanDo);
    timer.RefuseBeginPeriod(true);
    EXPECT_EQ(timer.BeginPeriod(kPeriodMs), TimerResult::NoCanDo);
    EXPECT_EQ(timer.OutstandingPeriodRequests(kPeriodMs), 1u);
    timer.RefuseBeginPeriod(false);

    const auto ignore = [](TimerEventId) {};
    EXPECT_EQ(timer.SetEvent(caps.periodMin - 1, kResolutionMs, ignore), kNoTimerEvent);
    EXPECT_EQ(timer.SetEvent(caps.periodMax + 1, kResolutionMs, ignore), kNoTimerEvent);
    timer.FailSetEvent(true);
    EXPECT_EQ(timer.SetEvent(kPeriodMs, kResolutionMs, ignore), kNoTimerEvent);
    EXPECT_TRUE(timer.RunningEvents().empty());
    timer.FailSetEvent(false);
    EXPECT_NE(timer.SetEvent(kPeriodMs, kResolutionMs, ignore), kNoTimerEvent);
}

TEST(SimMultimediaTimer, KillsMadeByCallbacksTakeEffectWithinTheSameDelivery) {
    SimMultimediaTimer timer;
    TickLog ticks;
    TimerEventId sameMoment = kNoTimerEvent;
    TimerEventId later = kNoTimerEvent;
    const TimerEventId killer = timer.SetEvent(kPeriodMs, kResolutionMs, [&](TimerEventId self) {
        ticks.emplace_back(timer.NowMicros() / kMicrosPerMs, self);
        if (ticks.size() == 1) {  // kills the others, both due within this delivery
            EXPECT_EQ(timer.KillEvent(sameMoment), TimerResult::NoError);
            EXPECT_EQ(timer.KillEvent(later), TimerResult::NoError);
        } else {
            EXPECT_EQ(timer.KillEvent(self), TimerResult::NoError);  // its own: no waiting
        }
    });
    const auto log = [&](TimerEventId event) {
        ticks.emplace_back(timer.NowMicros() / kMicrosPerMs, event);
    };
    sameMoment = timer.SetEvent(kPeriodMs, kResolutionMs, log);
    later = timer.SetEvent(150, kResolutionMs, log);

    timer.AdvanceTo(1000 * kMicrosPerMs);

    EXPECT_EQ(ticks, (TickLog{{100, killer}, {200, killer}}));
    EXPECT_TRUE(timer.RunningEvents().empty());
    EXPECT_EQ(timer.NextDueMicros(), std::nullopt);
    EXPECT_EQ(timer.KillEvent(killer), TimerResult::NoCanDo);
}

TEST(SimMultimediaTimer, AKillFromAPostedTickWhileTheNextTickIsDueEndsTheTicks) {
    SimClock clock;
    ManualDispatcher dialog;
    DialogTurn beforeTicks(dialog, 200);  // tick 100's task runs at 200, before tick 200
    clock.Attach(beforeTicks);
    SimMultimediaTimer timer(clock);
    int ticks = 0;
    TimerEventId event = kNoTimerEvent;
    event = timer.SetEvent(kPeriodMs, kResolutionMs, [&](TimerEventId) {
        ++ticks;
        dialog.Post([&] { EXPECT_EQ(timer.KillEvent(event), TimerResult::NoError); });
    });

    clock.Advance(1000);

    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(dialog.PendingCount(), 0u);
    EXPECT_TRUE(timer.RunningEvents().empty());
}

TEST(SimMultimediaTimer, TicksPostedBeforeAKillAreRecognisedAsStale) {
    SimClock clock;
    ManualDispatcher dialog;
    DialogTurn beforeTicks(dialog, 250);  // ticks 100 and 200 wait in the queue until 250
    clock.Attach(beforeTicks);
    SimMultimediaTimer timer(clock);
    DialogTurn afterTicks(dialog, 250);
    clock.Attach(afterTicks);
    RestartingTicker ticker(timer, dialog, clock);
    ticker.Start();

    clock.Advance(460);

    // Tick 200 was posted before the restart and is dropped; the new event ticks from 250.
    EXPECT_EQ(ticker.handledAtMs, (std::vector<std::uint64_t>{250, 350, 450}));
    EXPECT_EQ(ticker.staleTicks, 1);
    ticker.Stop();
}

TEST(SimMultimediaTimer, DialogTimersAndTheMultimediaTimerMoveWithOneClock) {
    SimClock clock;
    ManualTimers dialogTimers;
    clock.Attach(dialogTimers);
    SimMultimediaTimer timer(clock);
    std::vector<std::pair<std::uint64_t, char>> ticks;
    dialogTimers.Bind([&](std::uint32_t) { ticks.emplace_back(clock.NowMs(), 'd'); });
    dialogTimers.SetTimer(7, 30);
    timer.SetEvent(kPeriodMs, kResolutionMs,
                   [&](TimerEventId) { ticks.emplace_back(clock.NowMs(), 'm'); });

    clock.Advance(200);

    const std::vector<std::pair<std::uint64_t, char>> expected{{30, 'd'},  {60, 'd'},  {90, 'd'},
                                                               {100, 'm'}, {120, 'd'}, {150, 'd'},
                                                               {180, 'd'}, {200, 'm'}};
    EXPECT_EQ(ticks, expected);
    EXPECT_EQ(dialogTimers.NowMs(), 200u);
    clock.Detach(dialogTimers);
}

}  // namespace
