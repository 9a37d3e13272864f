#pragma once
// One manual clock for a whole simulated scenario: the simulated card, the multimedia timer,
// the dialog timers and the dialog thread's queue all move together when a test advances it,
// so device positions, timer ticks and posted tasks interleave as they would in time.
//
// Each step moves time to the next moment something is due (and never more than a millisecond
// at once, so that device positions move smoothly): first every part catches up with that
// moment in the order they were attached (a card's finished buffers and a timer's ticks make
// their callbacks then), then the dialog thread runs every task they posted.
//
// Thread: the test's thread, which plays the dialog thread.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/sim/sim_clock_part.h"

namespace zav::platform::sim {

class ManualDispatcher;

class SimClock {
  public:
    // Something that moves with the clock.
    using Part = SimClockPart;

    // Parts and the dispatcher must outlive the clock, or be detached first.
    void Attach(Part& part);
    void Detach(Part& part);
    void AttachDispatcher(ManualDispatcher& dispatcher) { dispatcher_ = &dispatcher; }

    // Moves time on by milliseconds, step by step.
    void Advance(std::uint64_t milliseconds);
    // Runs what is due now without moving time: callbacks, ticks and posted tasks.
    void Settle();

    std::uint64_t NowMicros() const { return nowMicros_; }
    std::uint64_t NowMs() const { return nowMicros_ / 1000; }

  private:
    void StepTo(std::uint64_t micros);

    std::vector<Part*> parts_;
    ManualDispatcher* dispatcher_ = nullptr;
    std::uint64_t nowMicros_ = 0;
};

}  // namespace zav::platform::sim
