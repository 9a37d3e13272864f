#include "platform/timer/periodic_events.h"

#include <algorithm>
#include <utility>

#include "platform/audio/device_callback.h"
#include "platform/timer/tick_deadline.h"

namespace zav::platform {

namespace {

// Runs its action when the scope ends, also when a callback throws.
template <typename Action>
class AtScopeEnd {
  public:
    explicit AtScopeEnd(Action action) : action_(std::move(action)) {}
    ~AtScopeEnd() { action_(); }
    AtScopeEnd(const AtScopeEnd&) = delete;
    AtScopeEnd& operator=(const AtScopeEnd&) = delete;

  private:
    Action action_;
};

constexpr std::uint64_t kMicrosPerMs = 1000;

}  // namespace

std::uint64_t RealTimeOrigin::MicrosAt(std::chrono::steady_clock::time_point at) const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(at - time);
    return micros + static_cast<std::uint64_t>(std::max<std::int64_t>(elapsed.count(), 0));
}

std::chrono::steady_clock::time_point RealTimeOrigin::TimeAt(std::uint64_t atMicros) const {
    const auto offset = static_cast<std::int64_t>(atMicros) - static_cast<std::int64_t>(micros);
    return time + std::chrono::microseconds(offset);
}

TimerEventId PeriodicEvents::Add(std::uint32_t delayMs, std::uint32_t resolutionMs,
                                 MultimediaTimer::Callback callback, std::uint64_t nowMicros) {
    if (delayMs == 0 || !callback)
        return kNoTimerEvent;
    std::lock_guard lock(mutex_);
    const TimerEventId id = NewId();
    const std::uint64_t period = delayMs * kMicrosPerMs;
    events_.emplace(id,
                    Event{PeriodicEventInfo{id, delayMs, resolutionMs, 0}, period,
                          std::max(nowMicros, nowMicros_) + period,
                          std::make_shared<const MultimediaTimer::Callback>(std::move(callback))});
    ++changes_;
    eventsChanged_.notify_all();
    return id;
}

bool PeriodicEvents::Kill(TimerEventId event) {
    std::unique_lock lock(mutex_);
    if (events_.erase(event) == 0)
        return false;
    ++changes_;
    eventsChanged_.notify_all();
    // The deliverer itself may be inside this event's callback: the tick ends when it returns.
    if (deliverer_ != std::this_thread::get_id())
        callbackDone_.wait(lock, [this, event] { return running_ != event; });
    return true;
}

void PeriodicEvents::Deliver(std::uint64_t nowMicros, LateTicks lateTicks) {
    std::unique_lock lock(mutex_);
    DeliverLocked(lock, nowMicros, lateTicks);
}

void PeriodicEvents::StartRealTime(StoppableThread& thread, RealTimeOrigin origin) {
    thread.Start(
        mutex_, [this] { eventsChanged_.notify_all(); },
        [this, &thread, origin] { RunInRealTime(thread, origin); });
}

void PeriodicEvents::RunInRealTime(const StoppableThread& thread, RealTimeOrigin origin) {
    std::unique_lock lock(mutex_);
    while (!thread.StopRequested()) {
        DeliverLocked(lock, origin.MicrosAt(std::chrono::steady_clock::now()),
                      LateTicks::SkipMissed);
        const std::uint64_t seen = changes_;
        const auto wake = [this, &thread, seen] {
            return changes_ != seen || thread.StopRequested();
        };
        if (const std::optional<std::uint64_t> due = NextDueLocked())
            eventsChanged_.wait_until(lock, origin.TimeAt(*due), wake);
        else
            eventsChanged_.wait(lock, wake);
    }
}

std::optional<std::uint64_t> PeriodicEvents::NextDueMicros() const {
    std::lock_guard lock(mutex_);
    return NextDueLocked();
}

std::uint64_t PeriodicEvents::NowMicros() const {
    std::lock_guard lock(mutex_);
    return nowMicros_;
}

std::vector<PeriodicEventInfo> PeriodicEvents::Running() const {
    std::lock_guard lock(mutex_);
    std::vector<PeriodicEventInfo> running;
    running.reserve(events_.size());
    for (const auto& [id, event] : events_)
        running.push_back(event.info);
    return running;
}

std::optional<PeriodicEventInfo> PeriodicEvents::Find(TimerEventId event) const {
    std::lock_guard lock(mutex_);
    const auto it = events_.find(event);
    if (it == events_.end())
        return std::nullopt;
    return it->second.info;
}

std::uint64_t PeriodicEvents::TotalTicksDelivered() const {
    std::lock_guard lock(mutex_);
    return totalTicks_;
}

void PeriodicEvents::DeliverLocked(std::unique_lock<std::mutex>& lock, std::uint64_t nowMicros,
                                   LateTicks lateTicks) {
    const std::thread::id self = std::this_thread::get_id();
    if (deliverer_ == self)
        return;  // from inside a callback: its own delivery goes on when it returns
    // One deliverer at a time, so that ticks of one event never overlap.
    callbackDone_.wait(lock, [this] { return deliverer_ == std::thread::id{}; });
    deliverer_ = self;
    const AtScopeEnd endDelivery([this] {
        deliverer_ = std::thread::id{};
        callbackDone_.notify_all();
    });

    const std::uint64_t target = std::max(nowMicros, nowMicros_);
    // Each pass looks the events up afresh: a callback may have added or killed some.
    for (auto next = EarliestDue(); next != events_.end() && next->second.dueMicros <= target;
         next = EarliestDue()) {
        Event& event = next->second;
        const std::uint64_t deadline =
            lateTicks == LateTicks::SkipMissed
                ? LatestDeadline(event.dueMicros, target, event.periodMicros)
                : event.dueMicros;
        event.dueMicros = deadline + event.periodMicros;
        ++event.info.ticksDelivered;
        ++totalTicks_;
        nowMicros_ = std::max(nowMicros_, deadline);
        const std::shared_ptr<const MultimediaTimer::Callback> callback = event.callback;
        RunCallback(lock, next->first, *callback);
    }
    nowMicros_ = target;
}

void PeriodicEvents::RunCallback(std::unique_lock<std::mutex>& lock, TimerEventId id,
                                 const MultimediaTimer::Callback& callback) {
    running_ = id;
    lock.unlock();
    const AtScopeEnd relock([this, &lock] {
        lock.lock();
        running_ = kNoTimerEvent;
        callbackDone_.notify_all();
    });
    // No Send from here: a kill may be waiting for this tick on the dialog thread.
    const CallbackScope scope(CallbackKind::Timer);
    callback(id);
}

PeriodicEvents::Events::iterator PeriodicEvents::EarliestDue() {
    // Map order is id order, so the strict comparison gives ties to the lower id.
    return std::min_element(events_.begin(), events_.end(), [](const auto& a, const auto& b) {
        return a.second.dueMicros < b.second.dueMicros;
    });
}

std::optional<std::uint64_t> PeriodicEvents::NextDueLocked() const {
    std::optional<std::uint64_t> due;
    for (const auto& [id, event] : events_) {
        if (!due || event.dueMicros < *due)
            due = event.dueMicros;
    }
    return due;
}

TimerEventId PeriodicEvents::NewId() {
    // Skips 0 (no event) and, after a wrap, ids still in use.
    do {
        ++lastId_;
    } while (lastId_ == 0 || events_.contains(TimerEventId{lastId_}));
    return TimerEventId{lastId_};
}

}  // namespace zav::platform
