#pragma once
// The timer resolutions a program has asked for (BeginPeriod) and not yet given back
// (EndPeriod). Each request is counted, so a resolution asked for twice stays until it has
// been given back twice, as the host does.
//
// Thread: any; the counts are under a lock of their own.

#include <cstdint>
#include <map>
#include <mutex>

#include "platform/timer/multimedia_timer.h"

namespace zav::platform {

// True when periodMs is a period the capabilities allow (never 0).
constexpr bool WithinCaps(const TimerCaps& caps, std::uint32_t periodMs) {
    return periodMs != 0 && periodMs >= caps.periodMin && periodMs <= caps.periodMax;
}

class PeriodRequests {
  public:
    // NoCanDo for a period outside caps; otherwise counts the request.
    TimerResult Begin(std::uint32_t periodMs, const TimerCaps& caps);
    // NoCanDo for a period outside caps or one with no request outstanding.
    TimerResult End(std::uint32_t periodMs, const TimerCaps& caps);

    // Requests outstanding, in all or for one period.
    std::uint32_t Outstanding() const;
    std::uint32_t Outstanding(std::uint32_t periodMs) const;

  private:
    mutable std::mutex mutex_;
    std::map<std::uint32_t, std::uint32_t> counts_;  // period -> outstanding requests
};

}  // namespace zav::platform
