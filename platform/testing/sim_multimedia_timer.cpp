#include "platform/testing/sim_multimedia_timer.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace zav::platform::sim {

SimMultimediaTimer::SimMultimediaTimer() = default;

SimMultimediaTimer::SimMultimediaTimer(SimClock& clock)
    : clock_(&clock), events_(clock.NowMicros()) {
    clock.Attach(*this);
}

SimMultimediaTimer::~SimMultimediaTimer() {
    StopThreads();
    if (clock_ != nullptr)
        clock_->Detach(*this);
}

TimerResult SimMultimediaTimer::GetDevCaps(TimerCaps& caps) {
    caps = CurrentSettings().caps;
    return TimerResult::NoError;
}

TimerResult SimMultimediaTimer::BeginPeriod(std::uint32_t periodMs) {
    const Settings settings = CurrentSettings();
    if (settings.refuseBeginPeriod)
        return TimerResult::NoCanDo;
    return periods_.Begin(periodMs, settings.caps);
}

TimerResult SimMultimediaTimer::EndPeriod(std::uint32_t periodMs) {
    return periods_.End(periodMs, CurrentSettings().caps);
}

TimerEventId SimMultimediaTimer::SetEvent(std::uint32_t delayMs, std::uint32_t resolutionMs,
                                          Callback callback) {
    const Settings settings = CurrentSettings();
    if (settings.failSetEvent || !WithinCaps(settings.caps, delayMs))
        return kNoTimerEvent;
    return events_.Add(delayMs, resolutionMs, std::move(callback), NowMicros());
}

TimerResult SimMultimediaTimer::KillEvent(TimerEventId event) {
    return events_.Kill(event) ? TimerResult::NoError : TimerResult::NoCanDo;
}

void SimMultimediaTimer::AdvanceTo(std::uint64_t nowMicros) {
    if (!CurrentSettings().realTime)
        events_.Deliver(nowMicros, LateTicks::DeliverEach);
}

std::optional<std::uint64_t> SimMultimediaTimer::NextDueMicros() const {
    if (CurrentSettings().realTime)
        return std::nullopt;
    return events_.NextDueMicros();
}

void SimMultimediaTimer::SetCaps(TimerCaps caps) {
    std::lock_guard lock(settingsMutex_);
    settings_.caps = caps;
}

void SimMultimediaTimer::RefuseBeginPeriod(bool refuse) {
    std::lock_guard lock(settingsMutex_);
    settings_.refuseBeginPeriod = refuse;
}

void SimMultimediaTimer::FailSetEvent(bool fail) {
    std::lock_guard lock(settingsMutex_);
    settings_.failSetEvent = fail;
}

void SimMultimediaTimer::StartThreads() {
    std::lock_guard lock(settingsMutex_);
    if (settings_.realTime)
        return;
    const RealTimeOrigin origin{std::chrono::steady_clock::now(), events_.NowMicros()};
    settings_.realTime = origin;
    events_.StartRealTime(thread_, origin);
}

void SimMultimediaTimer::StopThreads() {
    {
        std::lock_guard lock(settingsMutex_);
        settings_.realTime.reset();
    }
    // Joined without the lock: a callback still running may call SetEvent.
    thread_.Stop();
}

std::optional<PeriodicEventInfo> SimMultimediaTimer::FindEvent(TimerEventId event) const {
    return events_.Find(event);
}

std::uint32_t SimMultimediaTimer::OutstandingPeriodRequests(std::uint32_t periodMs) const {
    return periods_.Outstanding(periodMs);
}

std::uint64_t SimMultimediaTimer::NowMicros() const {
    if (const std::optional<RealTimeOrigin> realTime = CurrentSettings().realTime)
        return realTime->MicrosAt(std::chrono::steady_clock::now());
    // Parts attached ahead of this one may act at a clock step before it has caught up.
    const std::uint64_t delivered = events_.NowMicros();
    return clock_ != nullptr ? std::max(clock_->NowMicros(), delivered) : delivered;
}

SimMultimediaTimer::Settings SimMultimediaTimer::CurrentSettings() const {
    std::lock_guard lock(settingsMutex_);
    return settings_;
}

}  // namespace zav::platform::sim
