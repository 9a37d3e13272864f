#pragma once
// What a simulated part offers a manual clock that moves a whole scenario
// (platform/testing/sim_clock.h): the clock lets time pass for it, and asks when it next has
// something to do.

#include <cstdint>
#include <optional>

namespace zav::platform::sim {

class SimClockPart {
  public:
    virtual ~SimClockPart() = default;
    // Lets time pass up to nowMicros (never less than before) and makes the callbacks that fall
    // due on the way.
    virtual void AdvanceTo(std::uint64_t nowMicros) = 0;
    // The next moment the part has something to do, if it knows; the clock stops there.
    virtual std::optional<std::uint64_t> NextDueMicros() const { return std::nullopt; }
};

}  // namespace zav::platform::sim
