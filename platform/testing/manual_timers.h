#pragma once
// Dialog timers for tests: time moves only when the test advances it (by hand, or as a part of
// a SimClock), and every tick that falls due is delivered at once, in time order, to the bound
// target (the handler's OnTimer).
//
// Thread: the test's thread, which plays the dialog thread.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "platform/testing/sim_clock.h"
#include "platform/ui/dialog_timers.h"

namespace zav::platform::sim {

class ManualTimers : public DialogTimers, public SimClock::Part {
  public:
    using TickTarget = std::function<void(std::uint32_t timerId)>;

    void Bind(TickTarget target) { target_ = std::move(target); }

    void SetTimer(std::uint32_t id, std::uint32_t periodMs) override;
    bool KillTimer(std::uint32_t id) override;

    // Moves time on by ms and delivers each tick that falls due on the way; ticks due at the
    // same moment go in order of their ids. A timer set or killed by a tick takes effect at
    // once.
    void Advance(std::uint64_t ms);

    // As a part of a SimClock: moves on to the whole millisecond at or before nowMicros, and
    // asks the clock to stop at the next tick.
    void AdvanceTo(std::uint64_t nowMicros) override;
    std::optional<std::uint64_t> NextDueMicros() const override;

    std::uint64_t NowMs() const { return nowMs_; }
    bool IsRunning(std::uint32_t id) const { return timers_.contains(id); }
    std::optional<std::uint32_t> Period(std::uint32_t id) const;
    std::uint64_t TicksDelivered(std::uint32_t id) const;
    std::size_t RunningCount() const { return timers_.size(); }

  private:
    struct Timer {
        std::uint32_t periodMs = 0;
        std::uint64_t nextDueMs = 0;
    };

    TickTarget target_;
    std::map<std::uint32_t, Timer> timers_;
    std::map<std::uint32_t, std::uint64_t> delivered_;
    std::uint64_t nowMs_ = 0;
};

}  // namespace zav::platform::sim
