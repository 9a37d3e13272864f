#include "platform/testing/manual_timers.h"

#include <algorithm>

namespace zav::platform::sim {

namespace {

constexpr std::uint64_t kMicrosPerMs = 1000;

}  // namespace

void ManualTimers::SetTimer(std::uint32_t id, std::uint32_t periodMs) {
    const std::uint32_t period = std::max<std::uint32_t>(periodMs, 1);
    timers_[id] = Timer{period, nowMs_ + period};
}

bool ManualTimers::KillTimer(std::uint32_t id) {
    return timers_.erase(id) != 0;
}

void ManualTimers::Advance(std::uint64_t ms) {
    const std::uint64_t endMs = nowMs_ + ms;
    for (;;) {
        // The earliest due tick; map order breaks ties by id.
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.nextDueMs > endMs)
                continue;
            if (next == timers_.end() || it->second.nextDueMs < next->second.nextDueMs)
                next = it;
        }
        if (next == timers_.end())
            break;
        nowMs_ = next->second.nextDueMs;
        next->second.nextDueMs += next->second.periodMs;
        const std::uint32_t id = next->first;
        ++delivered_[id];
        if (target_)
            target_(id);  // may set or kill timers, so `next` is not used after this
    }
    nowMs_ = endMs;
}

void ManualTimers::AdvanceTo(std::uint64_t nowMicros) {
    const std::uint64_t targetMs = nowMicros / kMicrosPerMs;
    if (targetMs > nowMs_)
        Advance(targetMs - nowMs_);
}

std::optional<std::uint64_t> ManualTimers::NextDueMicros() const {
    std::optional<std::uint64_t> dueMs;
    for (const auto& [id, timer] : timers_) {
        if (!dueMs || timer.nextDueMs < *dueMs)
            dueMs = timer.nextDueMs;
    }
    if (!dueMs)
        return std::nullopt;
    return *dueMs * kMicrosPerMs;
}

std::optional<std::uint32_t> ManualTimers::Period(std::uint32_t id) const {
    const auto it = timers_.find(id);
    if (it == timers_.end())
        return std::nullopt;
    return it->second.periodMs;
}

std::uint64_t ManualTimers::TicksDelivered(std::uint32_t id) const {
    const auto it = delivered_.find(id);
    return it == delivered_.end() ? 0 : it->second;
}

}  // namespace zav::platform::sim
