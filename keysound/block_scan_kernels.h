#pragma once
// Pieces shared by the block scan's kernels (block_scan.cpp, block_scan_avx2.cpp). Internal to
// the block scan. The helpers are forced inline so that a kernel compiled for a wider
// instruction set (POPCNT in particular) gets them in its own instructions.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <span>

#include "keysound/block_scan.h"

#define ZAV_SCAN_INLINE [[gnu::always_inline]] inline

namespace keyvoice::block_scan {

inline constexpr std::int32_t kSampleMin = std::numeric_limits<std::int16_t>::min();
inline constexpr std::int32_t kSampleMax = std::numeric_limits<std::int16_t>::max();

// Samples per mask word.
inline constexpr std::int32_t kStride = 64;

// The band's edges as plain comparisons. With a threshold t >= 0 a sample falls below the band
// when s < centre - t and rises over it when s > centre + t. A negative t (never set by the
// analyser, but the record is public) leaves only the side of the centre line to decide:
// s < centre falls, s >= centre rises. The two sets never overlap.
struct BandEdges {
    std::int32_t under;  // s < under: below the band
    std::int32_t over;   // s > over: above the band

    explicit BandEdges(const ScanStart& start)
        : under(start.centre - std::max<std::int32_t>(start.threshold, 0)),
          over(start.centre + std::max<std::int32_t>(start.threshold, -1)) {}

    // The edges as 16-bit compare operands. An edge beyond the 16-bit range is either never
    // passed (clamped to the range's end) or, for an over edge below -32768, always passed:
    // then alwaysOver() is the mask to OR in.
    std::int16_t Under16() const { return static_cast<std::int16_t>(std::max(under, kSampleMin)); }
    std::int16_t Over16() const {
        return static_cast<std::int16_t>(std::clamp(over, kSampleMin, kSampleMax));
    }
    std::uint64_t AlwaysOver() const { return over < kSampleMin ? ~std::uint64_t{0} : 0; }
};

// Follows the hysteresis state through one mask word of samples at a time.
//
// The state after each sample is a set/reset latch: set by a sample over the band, reset by one
// under it, kept by one inside it. The addition (over | inside) + over + state does that for 64
// samples at once: an "over" bit generates a carry, an "inside" bit passes it on, an "under"
// bit swallows it. The carry into a bit is the state before that sample, so a set sum bit on an
// "under" bit is a downward crossing, a clear one on an "over" bit an upward crossing, and the
// carry out of the word is the state after it.
class CrossingCounter {
  public:
    explicit CrossingCounter(const ScanStart& start)
        : above_(start.above),
          minPeriod_(start.minPeriod),
          periodTolerance_(start.periodTolerance) {}

    // Bit k of under (over) is set when the sample at index base + k lies below (above) the
    // band; bits of samples past the block's end are clear in both.
    ZAV_SCAN_INLINE void Feed(std::uint64_t under, std::uint64_t over, std::int32_t base) {
        if (above_ != 0 && above_ != 1)
            return;  // a state that nothing crosses from
        const std::uint64_t passing = ~under;
        const std::uint64_t partial = passing + over;
        const std::uint64_t sum = partial + static_cast<std::uint64_t>(above_);
        above_ = (partial < passing || sum < partial) ? 1 : 0;
        down_ += std::popcount(under & sum);
        std::uint64_t rises = over & ~sum;
        if (rises == 0)
            return;
        if (minPeriod_ >= kStride - 1) {
            // Two rises within one word are at most 63 samples apart, never a long period:
            // only the first can be long; each later one subtracts 1 and leaves lastPeriod.
            RiseAt(base + std::countr_zero(rises));
            regularity_ -= std::popcount(rises) - 1;
            lastUp_ = base + (kStride - 1 - std::countl_zero(rises));
            return;
        }
        for (; rises != 0; rises &= rises - 1)
            RiseAt(base + std::countr_zero(rises));
    }

    std::int32_t Above() const { return above_; }
    std::int32_t Down() const { return down_; }
    std::int32_t Regularity() const { return regularity_; }

  private:
    ZAV_SCAN_INLINE void RiseAt(std::int32_t index) {
        const std::int32_t period = index - lastUp_;
        if (period > minPeriod_) {
            regularity_ += std::abs(period - lastPeriod_) < periodTolerance_ ? 1 : -1;
            lastPeriod_ = period;
        } else {
            --regularity_;
        }
        lastUp_ = index;
    }

    std::int32_t above_;
    std::int32_t minPeriod_;
    std::int32_t periodTolerance_;
    std::int32_t down_ = 0;
    std::int32_t regularity_ = 0;
    std::int32_t lastUp_ = 0;
    std::int32_t lastPeriod_ = 0;
};

struct Extremes {
    std::int32_t low = kSampleMax;
    std::int32_t high = kSampleMin;
};

// Masks and extremes of at most one word of samples, one sample at a time.
ZAV_SCAN_INLINE void ScanShortRun(std::span<const std::int16_t> run, std::int32_t base,
                                  const BandEdges& edges, CrossingCounter& counter,
                                  Extremes& extremes) {
    std::uint64_t under = 0;
    std::uint64_t over = 0;
    for (std::size_t k = 0; k < run.size(); ++k) {
        const std::int32_t s = run[k];
        under |= static_cast<std::uint64_t>(s < edges.under) << k;
        over |= static_cast<std::uint64_t>(s > edges.over) << k;
        extremes.low = std::min(extremes.low, s);
        extremes.high = std::max(extremes.high, s);
    }
    counter.Feed(under, over, base);
}

// Scans the whole words of samples and returns how many samples that was; the caller scans the
// rest with ScanShortRun.
using StrideScanner = std::size_t (*)(std::span<const std::int16_t> samples, const BandEdges& edges,
                                      CrossingCounter& counter, Extremes& extremes);

std::size_t ScanStridesBaseline(std::span<const std::int16_t> samples, const BandEdges& edges,
                                CrossingCounter& counter, Extremes& extremes);
#if defined(__x86_64__)
std::size_t ScanStridesAvx2(std::span<const std::int16_t> samples, const BandEdges& edges,
                            CrossingCounter& counter, Extremes& extremes);
#endif

}  // namespace keyvoice::block_scan
