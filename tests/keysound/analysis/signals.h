#pragma once
// Test signals for the analyser, made here so every figure can be worked out by hand.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <span>
#include <vector>

namespace analysis_test {

// Every field of an analyser (ours or the plain one), for comparing whole states.
template <typename Analyser>
std::array<std::int32_t, 10> Fields(const Analyser& a) {
    return {a.centre, a.threshold, a.rate,  a.minPeriod, a.periodTolerance,
            a.above,  a.level,     a.score, a.inBand,    a.crossings};
}

// Runs one block through either variant of the analyser.
template <typename Analyser>
void AnalyseBlock(Analyser& a, std::span<const std::int16_t> block, bool adaptive) {
    if (adaptive) {
        a.AnalyseAdaptive(block);
    } else {
        a.AnalyseFixed(block);
    }
}

// round(amplitude * sin(2 pi (i + phase) / period)) for i = 0 .. count - 1.
inline std::vector<std::int16_t> Tone(std::size_t count, double period, double amplitude,
                                      double phase = 0.0) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double angle = 2.0 * std::numbers::pi * (static_cast<double>(i) + phase) / period;
        samples[i] = static_cast<std::int16_t>(std::lround(amplitude * std::sin(angle)));
    }
    return samples;
}

// Silence with `pulses` evenly spread pairs of +1000, -1000: starting below the band, that is
// exactly `pulses` downward crossings around a centre line of 0 with a band of +-150.
inline std::vector<std::int16_t> Pulses(std::size_t count, std::size_t pulses) {
    std::vector<std::int16_t> samples(count, 0);
    for (std::size_t k = 0; k < pulses; ++k) {
        const std::size_t at = k * count / pulses;
        samples[at] = 1000;
        samples[at + 1] = -1000;
    }
    return samples;
}

}  // namespace analysis_test
