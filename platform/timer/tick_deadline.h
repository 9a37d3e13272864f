#pragma once
// Where a periodic tick lands on its grid of deadlines (start + k * period) when it is handled
// late. Keeping to the grid stops the period from drifting; jumping to the latest deadline
// stops a stalled timer from bursting out every tick it missed.

#include <cstdint>

namespace zav::platform {

// The deadline a tick due at `due` and handled at `now` counts for: `due` itself when the tick
// is late by less than a period, otherwise the latest deadline of the grid at or before `now`.
constexpr std::uint64_t LatestDeadline(std::uint64_t due, std::uint64_t now, std::uint64_t period) {
    if (now < due || now - due < period)
        return due;
    return due + period * ((now - due) / period);
}

}  // namespace zav::platform
