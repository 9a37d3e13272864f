#pragma once
// A multimedia timer for tests. In manual mode (the default) its ticks fall due on the
// simulated clock: AdvanceTo delivers every tick that is due, in time order, on the calling
// thread, and NextDueMicros tells the clock where to stop next. In threaded mode
// (StartThreads) its own thread delivers the ticks in real time, carrying on from the
// simulated moment it was started at; ThreadSanitizer tests use it.
//
// The test decides the capabilities, may refuse resolution requests or make SetEvent fail,
// and can inspect the running events, their ticks and the outstanding resolution requests.
//
// KillEvent behaves as on the host in both modes: from any thread but the delivering one it
// returns once the event's running tick (if any) has ended, and a tick killed by an earlier
// callback of the same delivery never runs.
//
// Thread: the MultimediaTimer calls and the inspection from any thread; AdvanceTo,
// StartThreads and StopThreads from the test's thread (never from a callback).

#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/testing/sim_clock.h"
#include "platform/threads/stoppable_thread.h"
#include "platform/timer/multimedia_timer.h"
#include "platform/timer/period_requests.h"
#include "platform/timer/periodic_events.h"
#include "platform/timer/thread_timer.h"

namespace zav::platform::sim {

class SimMultimediaTimer final : public MultimediaTimer, public SimClock::Part {
  public:
    // The real timer's, until the test sets others.
    static constexpr TimerCaps kDefaultCaps = ThreadTimer::kCaps;

    // Stands alone: time moves only through AdvanceTo.
    SimMultimediaTimer();
    // Starts at the clock's time and moves with it; leaves the clock when destroyed.
    explicit SimMultimediaTimer(SimClock& clock);
    ~SimMultimediaTimer() override;
    SimMultimediaTimer(const SimMultimediaTimer&) = delete;
    SimMultimediaTimer& operator=(const SimMultimediaTimer&) = delete;

    TimerResult GetDevCaps(TimerCaps& caps) override;
    TimerResult BeginPeriod(std::uint32_t periodMs) override;
    TimerResult EndPeriod(std::uint32_t periodMs) override;
    TimerEventId SetEvent(std::uint32_t delayMs, std::uint32_t resolutionMs,
                          Callback callback) override;
    TimerResult KillEvent(TimerEventId event) override;

    // Manual mode only; in threaded mode time is real and these do nothing.
    void AdvanceTo(std::uint64_t nowMicros) override;
    std::optional<std::uint64_t> NextDueMicros() const override;

    // What GetDevCaps reports, and the bounds BeginPeriod and SetEvent check against.
    void SetCaps(TimerCaps caps);
    // While set, BeginPeriod answers NoCanDo and counts nothing.
    void RefuseBeginPeriod(bool refuse);
    // While set, SetEvent makes no event and answers kNoTimerEvent.
    void FailSetEvent(bool fail);

    void StartThreads();
    // Returns once the timer's thread has ended; the events keep running in manual mode.
    void StopThreads();

    std::vector<PeriodicEventInfo> RunningEvents() const { return events_.Running(); }
    std::optional<PeriodicEventInfo> FindEvent(TimerEventId event) const;
    std::uint64_t TotalTicksDelivered() const { return events_.TotalTicksDelivered(); }
    std::uint32_t OutstandingPeriodRequests() const { return periods_.Outstanding(); }
    std::uint32_t OutstandingPeriodRequests(std::uint32_t periodMs) const;
    // The simulated time, carried on in real time in threaded mode. During a tick of a timer
    // that stands alone, the tick's deadline.
    std::uint64_t NowMicros() const;

  private:
    struct Settings {
        TimerCaps caps = kDefaultCaps;
        bool refuseBeginPeriod = false;
        bool failSetEvent = false;
        std::optional<RealTimeOrigin> realTime;  // set in threaded mode
    };
    Settings CurrentSettings() const;

    SimClock* clock_ = nullptr;
    mutable std::mutex settingsMutex_;
    Settings settings_;
    PeriodRequests periods_;
    PeriodicEvents events_;
    StoppableThread thread_;  // last: stops and joins before the events go
};

}  // namespace zav::platform::sim
