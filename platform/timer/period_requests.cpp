#include "platform/timer/period_requests.h"

namespace zav::platform {

TimerResult PeriodRequests::Begin(std::uint32_t periodMs, const TimerCaps& caps) {
    if (!WithinCaps(caps, periodMs))
        return TimerResult::NoCanDo;
    std::lock_guard lock(mutex_);
    ++counts_[periodMs];
    return TimerResult::NoError;
}

TimerResult PeriodRequests::End(std::uint32_t periodMs, const TimerCaps& caps) {
    if (!WithinCaps(caps, periodMs))
        return TimerResult::NoCanDo;
    std::lock_guard lock(mutex_);
    const auto it = counts_.find(periodMs);
    if (it == counts_.end())
        return TimerResult::NoCanDo;
    if (--it->second == 0)
        counts_.erase(it);
    return TimerResult::NoError;
}

std::uint32_t PeriodRequests::Outstanding() const {
    std::lock_guard lock(mutex_);
    std::uint32_t total = 0;
    for (const auto& [period, count] : counts_)
        total += count;
    return total;
}

std::uint32_t PeriodRequests::Outstanding(std::uint32_t periodMs) const {
    std::lock_guard lock(mutex_);
    const auto it = counts_.find(periodMs);
    return it == counts_.end() ? 0 : it->second;
}

}  // namespace zav::platform
