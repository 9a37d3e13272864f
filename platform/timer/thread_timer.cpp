#include "platform/timer/thread_timer.h"

#include <system_error>
#include <utility>

namespace zav::platform {

ThreadTimer::ThreadTimer() : origin_{std::chrono::steady_clock::now(), 0} {}

TimerResult ThreadTimer::GetDevCaps(TimerCaps& caps) {
    caps = kCaps;
    return TimerResult::NoError;
}

TimerResult ThreadTimer::BeginPeriod(std::uint32_t periodMs) {
    return periods_.Begin(periodMs, kCaps);
}

TimerResult ThreadTimer::EndPeriod(std::uint32_t periodMs) {
    return periods_.End(periodMs, kCaps);
}

TimerEventId ThreadTimer::SetEvent(std::uint32_t delayMs, std::uint32_t resolutionMs,
                                   Callback callback) {
    if (!WithinCaps(kCaps, delayMs) || !callback || !EnsureThread())
        return kNoTimerEvent;
    return events_.Add(delayMs, resolutionMs, std::move(callback),
                       origin_.MicrosAt(std::chrono::steady_clock::now()));
}

TimerResult ThreadTimer::KillEvent(TimerEventId event) {
    return events_.Kill(event) ? TimerResult::NoError : TimerResult::NoCanDo;
}

bool ThreadTimer::EnsureThread() {
    std::lock_guard lock(threadMutex_);
    if (thread_.Running())
        return true;
    try {
        events_.StartRealTime(thread_, origin_);
        return true;
    } catch (const std::system_error&) {
        return false;  // a later SetEvent tries again
    }
}

}  // namespace zav::platform
