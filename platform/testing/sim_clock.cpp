#include "platform/testing/sim_clock.h"

#include <algorithm>

#include "platform/testing/manual_dispatcher.h"

namespace zav::platform::sim {

namespace {

constexpr std::uint64_t kLongestStepMicros = 1000;

}  // namespace

void SimClock::Attach(Part& part) {
    if (std::find(parts_.begin(), parts_.end(), &part) == parts_.end())
        parts_.push_back(&part);
}

void SimClock::Detach(Part& part) {
    std::erase(parts_, &part);
}

void SimClock::Advance(std::uint64_t milliseconds) {
    const std::uint64_t target = nowMicros_ + milliseconds * 1000;
    do {
        std::uint64_t next = std::min(target, nowMicros_ + kLongestStepMicros);
        for (const Part* part : parts_) {
            if (const std::optional<std::uint64_t> due = part->NextDueMicros();
                due && *due > nowMicros_) {
                next = std::min(next, *due);
            }
        }
        StepTo(next);
    } while (nowMicros_ < target);
}

void SimClock::Settle() {
    StepTo(nowMicros_);
}

void SimClock::StepTo(std::uint64_t micros) {
    nowMicros_ = micros;
    // A task may post more, and a tick may fall due again when the parts are asked twice;
    // running the queue until it is empty settles the moment.
    for (Part* part : std::vector<Part*>(parts_))
        part->AdvanceTo(nowMicros_);
    if (dispatcher_ != nullptr)
        dispatcher_->RunPending();
}

}  // namespace zav::platform::sim
