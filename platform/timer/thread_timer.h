#pragma once
// The multimedia timer on steady_clock. One timer thread, started with the first event, runs
// the callbacks of every event in turn, as the host's timer thread does: a callback that kills
// its own event (or another) from that thread then never has to wait for itself, and no
// thread has to be reaped after such a kill. The price is that a slow callback delays the
// other events' ticks, which the callback rule (post and return) keeps small.
//
// Ticks keep to their grid of deadlines; a tick more than a period late lands on the latest
// deadline instead of bursting out the ones it missed.

#include <cstdint>
#include <mutex>

#include "platform/threads/stoppable_thread.h"
#include "platform/timer/multimedia_timer.h"
#include "platform/timer/period_requests.h"
#include "platform/timer/periodic_events.h"

namespace zav::platform {

class ThreadTimer final : public MultimediaTimer {
  public:
    static constexpr TimerCaps kCaps{1, 1'000'000};

    ThreadTimer();
    // Kills every event and ends the timer thread once a running callback has returned.
    // Thread: any but the timer thread.
    ~ThreadTimer() override = default;
    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;

    TimerResult GetDevCaps(TimerCaps& caps) override;
    // steady_clock waits are as fine as the host allows, so a request changes nothing but
    // is counted, and refused outside the capabilities.
    TimerResult BeginPeriod(std::uint32_t periodMs) override;
    TimerResult EndPeriod(std::uint32_t periodMs) override;
    // resolutionMs is not used, for the same reason.
    TimerEventId SetEvent(std::uint32_t delayMs, std::uint32_t resolutionMs,
                          Callback callback) override;
    TimerResult KillEvent(TimerEventId event) override;

    // BeginPeriod requests not yet given back. Thread: any.
    std::uint32_t OutstandingPeriodRequests() const { return periods_.Outstanding(); }

  private:
    // Starts the timer thread unless it runs; false when the host gives no thread.
    bool EnsureThread();

    const RealTimeOrigin origin_;
    PeriodRequests periods_;
    PeriodicEvents events_;
    std::mutex threadMutex_;
    StoppableThread
        thread_;  // last: stops and joins before the events go; started under threadMutex_
};

}  // namespace zav::platform
