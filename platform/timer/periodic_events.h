#pragma once
// The periodic events of one multimedia timer on a time axis in microseconds, and the rules
// every backend shares: ticks fall due on a fixed grid (the event's start + k * delay), one
// deliverer at a time runs the callbacks, and KillEvent waits for a running callback unless it
// is called by the deliverer itself (from inside a callback).
//
// Who delivers, and against which time, is the owner's choice: a test passes its manual time
// to Deliver; a real timer thread, started by StartRealTime on a thread the owner keeps, maps
// the axis onto steady_clock.
//
// Thread: every method from any thread, except as noted. A callback may call Add and Kill
// (its own event included), never Deliver or StartRealTime.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/threads/stoppable_thread.h"
#include "platform/timer/multimedia_timer.h"

namespace zav::platform {

// Ties the microsecond axis to steady_clock: `micros` on the axis is the moment `time`.
struct RealTimeOrigin {
    std::chrono::steady_clock::time_point time;
    std::uint64_t micros = 0;

    std::uint64_t MicrosAt(std::chrono::steady_clock::time_point at) const;
    std::chrono::steady_clock::time_point TimeAt(std::uint64_t atMicros) const;
};

// What a deliverer does with ticks that fell due long ago.
enum class LateTicks {
    DeliverEach,  // every deadline gets its tick (manual time: nothing is ever late)
    SkipMissed,   // a tick more than a period late lands on the latest deadline instead
};

// One running event, as inspection shows it.
struct PeriodicEventInfo {
    TimerEventId id = kNoTimerEvent;
    std::uint32_t delayMs = 0;
    std::uint32_t resolutionMs = 0;
    std::uint64_t ticksDelivered = 0;

    friend bool operator==(const PeriodicEventInfo&, const PeriodicEventInfo&) = default;
};

class PeriodicEvents {
  public:
    explicit PeriodicEvents(std::uint64_t startMicros = 0) : nowMicros_(startMicros) {}
    PeriodicEvents(const PeriodicEvents&) = delete;
    PeriodicEvents& operator=(const PeriodicEvents&) = delete;

    // Starts an event whose first tick falls due delayMs after nowMicros (or after the last
    // delivered moment, when that is later). delayMs must not be 0; the callback must be set.
    TimerEventId Add(std::uint32_t delayMs, std::uint32_t resolutionMs,
                     MultimediaTimer::Callback callback, std::uint64_t nowMicros);
    // Removes the event; false when it is not running. Returns once no tick of it runs or will
    // run, except on the deliverer's thread, where waiting would be waiting for itself.
    bool Kill(TimerEventId event);

    // Runs, on the calling thread and in time order (ties by id), every tick due up to
    // nowMicros. A call from inside a callback does nothing; a call while another thread
    // delivers waits for it first.
    void Deliver(std::uint64_t nowMicros, LateTicks lateTicks);
    // Starts thread delivering in real time until the owner stops it, waking at each deadline
    // and whenever an event is added or killed. Late ticks skip what they missed. Throws
    // std::system_error when the host gives no thread. thread.Stop() returns once a running
    // callback has returned; it must not run while thread is stopped or while this object goes.
    void StartRealTime(StoppableThread& thread, RealTimeOrigin origin);

    // The earliest deadline of a running event.
    std::optional<std::uint64_t> NextDueMicros() const;
    // The last moment delivered (during a callback: the deadline of its tick).
    std::uint64_t NowMicros() const;
    std::vector<PeriodicEventInfo> Running() const;
    std::optional<PeriodicEventInfo> Find(TimerEventId event) const;
    // Ticks of every event so far, killed ones included.
    std::uint64_t TotalTicksDelivered() const;

  private:
    struct Event {
        PeriodicEventInfo info;
        std::uint64_t periodMicros = 0;
        std::uint64_t dueMicros = 0;
        // Shared so that a callback which kills its own event keeps running on a live object.
        std::shared_ptr<const MultimediaTimer::Callback> callback;
    };
    using Events = std::map<TimerEventId, Event>;

    void RunInRealTime(const StoppableThread& thread, RealTimeOrigin origin);
    // All of these need mutex_ held.
    void DeliverLocked(std::unique_lock<std::mutex>& lock, std::uint64_t nowMicros,
                       LateTicks lateTicks);
    void RunCallback(std::unique_lock<std::mutex>& lock, TimerEventId id,
                     const MultimediaTimer::Callback& callback);
    Events::iterator EarliestDue();
    std::optional<std::uint64_t> NextDueLocked() const;
    TimerEventId NewId();

    mutable std::mutex mutex_;
    // Wakes a real-time deliverer when the events change.
    std::condition_variable eventsChanged_;
    // Wakes a Kill (or a second deliverer) when a callback or a delivery has finished.
    std::condition_variable callbackDone_;
    Events events_;
    std::uint64_t totalTicks_ = 0;
    std::uint64_t nowMicros_;
    std::uint64_t changes_ = 0;  // counts Add and Kill, so a sleeping deliverer sees them
    std::uint32_t lastId_ = 0;
    std::thread::id deliverer_;             // the thread inside Deliver, if any
    TimerEventId running_ = kNoTimerEvent;  // the event whose callback runs now
};

}  // namespace zav::platform
