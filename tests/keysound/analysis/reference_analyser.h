#pragma once
// A deliberately plain analyser, written sample by sample from the rules, to check the fast
// block scan against. It shares no code with keyvoice/.

#include <cstdint>
#include <cstdlib>
#include <span>

namespace analysis_test {

struct ReferenceAnalyser {
    std::int16_t centre = 0;
    std::int16_t threshold = 150;
    std::int32_t rate = 22000;
    std::int32_t minPeriod = 110;
    std::int32_t periodTolerance = 66;
    std::int32_t above = 0;
    std::int32_t level = 0;
    std::int32_t score = 0;
    std::int32_t inBand = 0;
    std::int32_t crossings = 0;

    // The raw figures of the last block's scan, before they were folded into the fields.
    struct Scan {
        std::int32_t above = 0, down = 0, n = 0, low = 0, high = 0, peak = 0;
    } scan;

    void Analyse(std::span<const std::int16_t> samples, bool adaptive) {
        const auto count = static_cast<std::int32_t>(samples.size());
        if (count <= 0)
            return;
        const std::int32_t c0 = centre;
        std::int32_t down = 0, n = 0, lastUp = 0, lastPeriod = 0, peak = 0;
        std::int32_t low = samples[0], high = samples[0];
        for (std::int32_t i = 0; i < count; ++i) {
            const std::int32_t s = samples[static_cast<std::size_t>(i)];
            const std::int32_t d = std::abs(s - c0);
            if (above == 1 && s < c0 && d > threshold) {
                above = 0;
                ++down;
            } else if (above == 0 && s >= c0 && d > threshold) {
                above = 1;
                const std::int32_t p = i - lastUp;
                if (p > minPeriod) {
                    if (std::abs(p - lastPeriod) < periodTolerance) {
                        ++n;
                    } else {
                        --n;
                    }
                    lastPeriod = p;
                } else {
                    --n;
                }
                lastUp = i;
            }
            if (d > peak)
                peak = d;
            if (s < low)
                low = s;
            if (s > high)
                high = s;
        }
        scan = {above, down, n, low, high, peak};
        if (adaptive) {
            if (threshold == 150 ||
                (down == 0 && ((low > 0 && high > 0) || (low < 0 && high < 0)))) {
                const std::int32_t c = (low + high) / 2;
                centre = static_cast<std::int16_t>(c);
                threshold = static_cast<std::int16_t>(c - low < 150 ? c - low : 150);
            }
        }
        if (down > 0) {
            score += n > 0 ? 1 : -1;
            const std::int64_t lowBound = std::int64_t{count} * 3600 / rate;
            const std::int64_t highBound = std::int64_t{count} * 4200 / rate;
            inBand = (lowBound < down && down < highBound) ? 1 : 0;
        } else {
            inBand = 0;
        }
        crossings = down;
        static constexpr std::int32_t kTable[15] = {5799,  6403,  6881,  7495,  8578,
                                                    9136,  9951,  10987, 12240, 13393,
                                                    17000, 20170, 23190, 27639, 29971};
        const std::int32_t v = adaptive ? 2 * peak : peak;
        level = 0;
        while (level < 15 && kTable[level] <= v)
            ++level;
    }
};

}  // namespace analysis_test
