// The fast block scan must give exactly what the plain sample-by-sample rules give, on random
// and on crafted input, over runs of blocks that carry state from one to the next.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "keysound/block_scan.h"
#include "keysound/voice_analyser.h"
#include "tests/keysound/analysis/reference_analyser.h"
#include "tests/keysound/analysis/signals.h"

namespace keyvoice {
namespace {

using analysis_test::Fields;
using analysis_test::ReferenceAnalyser;

// Starts both analysers from the same state.
struct Pair {
    explicit Pair(std::int32_t rate = 22000) : fast(rate) {
        plain.rate = rate;
        plain.minPeriod = rate / 1000 * 5;
        plain.periodTolerance = rate / 1000 * 3;
    }

    VoiceAnalyser fast;
    ReferenceAnalyser plain;

    void SetState(std::int16_t centre, std::int16_t threshold, std::int32_t above) {
        fast.centre = plain.centre = centre;
        fast.threshold = plain.threshold = threshold;
        fast.above = plain.above = above;
    }

    void Run(const std::vector<std::int16_t>& block, bool adaptive) {
        const ScanStart start{fast.centre, fast.threshold, fast.above, fast.minPeriod,
                              fast.periodTolerance};
        analysis_test::AnalyseBlock(fast, block, adaptive);
        plain.Analyse(block, adaptive);
        ASSERT_EQ(Fields(fast), Fields(plain));
        if (block.empty())
            return;
        // The figures behind the fields, on every kernel: a wrong regularity count often
        // leaves the score's sign, and so the fields, as they were.
        const auto& want = plain.scan;
        for (const ScanKernel kernel : SupportedScanKernels()) {
            const BlockScan got = ScanBlockWith(kernel, block, start);
            ASSERT_EQ((std::array<std::int32_t, 6>{got.above, got.down, got.regularity, got.low,
                                                   got.high, got.peak}),
                      (std::array<std::int32_t, 6>{want.above, want.down, want.n, want.low,
                                                   want.high, want.peak}))
                << "kernel " << static_cast<int>(kernel);
        }
    }
};

// Noise of a given swing around an offset, with runs that stay still so that whole strides
// lie inside the band, and an occasional full-scale spike.
std::vector<std::int16_t> RandomBlock(std::mt19937& random, std::size_t count, int swing,
                                      int offset) {
    std::uniform_int_distribution<int> noise(-swing, swing);
    std::uniform_int_distribution<int> choice(0, 99);
    std::vector<std::int16_t> block(count);
    int held = offset;
    for (std::size_t i = 0; i < count; ++i) {
        const int pick = choice(random);
        if (pick < 60)
            held = offset + noise(random);  // else keep the previous value
        int value = held;
        if (pick == 99)
            value = (noise(random) < 0) ? -32768 : 32767;
        block[i] = static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
    }
    return block;
}

TEST(BlockScanEquivalence, RandomBlocksOfEveryShape) {
    std::mt19937 random(20240611);
    const std::size_t lengths[] = {1, 2, 5, 31, 32, 33, 63, 64, 65, 100, 255, 2205, 4410, 44100};
    const int swings[] = {0, 100, 150, 151, 400, 3000, 40000};
    const int offsets[] = {0, 149, -151, 5000, -32000, 32000};
    std::uniform_int_distribution<int> thresholds(0, 150);
    std::uniform_int_distribution<int> aboveStates(0, 1);
    for (const int swing : swings) {
        for (const int offset : offsets) {
            Pair pair;
            pair.SetState(0, static_cast<std::int16_t>(thresholds(random)), aboveStates(random));
            for (const std::size_t length : lengths) {
                SCOPED_TRACE(testing::Message()
                             << "swing " << swing << " offset " << offset << " length " << length);
                const auto block = RandomBlock(random, length, swing, offset);
                ASSERT_NO_FATAL_FAILURE(pair.Run(block, (length & 1) == 0));
                ASSERT_NO_FATAL_FAILURE(pair.Run(block, (length & 1) != 0));
            }
        }
    }
}

TEST(BlockScanEquivalence, TonesThatExercisePeriodsAndTheBand) {
    const double periods[] = {5, 6, 37.5, 110, 111, 150, 176, 177, 200, 243.7, 600};
    for (const double period : periods) {
        for (const double amplitude : {140.0, 1000.0, 32767.0}) {
            SCOPED_TRACE(testing::Message() << "period " << period << " amplitude " << amplitude);
            Pair pair;
            for (const std::size_t count : {2205u, 44100u, 97u}) {
                const auto block = analysis_test::Tone(count, period, amplitude, 0.3 * count);
                ASSERT_NO_FATAL_FAILURE(pair.Run(block, false));
                ASSERT_NO_FATAL_FAILURE(pair.Run(block, true));
            }
        }
    }
}

// Short minimum periods let several long periods fall into one stride of the scan.
TEST(BlockScanEquivalence, OtherRatesAndPeriods) {
    std::mt19937 random(99);
    for (const std::int32_t rate : {1000, 5000, 8000, 12000, 12999, 13000, 22000, 44100}) {
        for (const double period : {7.0, 13.0, 29.5, 61.5, 62.0, 63.0, 64.0, 65.0, 70.0, 130.0}) {
            SCOPED_TRACE(testing::Message() << "rate " << rate << " period " << period);
            Pair pair(rate);
            for (const std::size_t count : {4410u, 333u, 64u}) {
                auto block = analysis_test::Tone(count, period, 2000, 0.1 * count);
                // Jitter the tone so that periods vary around the tolerance.
                std::uniform_int_distribution<int> jitter(-600, 600);
                for (auto& sample : block)
                    sample = static_cast<std::int16_t>(sample + jitter(random));
                ASSERT_NO_FATAL_FAILURE(pair.Run(block, false));
                ASSERT_NO_FATAL_FAILURE(pair.Run(block, true));
            }
        }
    }
}

// Values on and beside the band's edges, at the ends of the sample range, with states the
// analyser itself never sets (a negative band, a hysteresis state other than 0 and 1).
TEST(BlockScanEquivalence, CraftedEdgesAndOddStates) {
    struct Start {
        std::int16_t centre;
        std::int16_t threshold;
        std::int32_t above;
    };
    const Start starts[] = {
        {0, 150, 0},     {0, 150, 1},        {0, 0, 0},      {0, 0, 1},        {-32768, 150, 1},
        {-32768, 0, 0},  {32767, 150, 0},    {32767, 0, 1},  {-32700, 100, 1}, {32700, 100, 0},
        {0, -5, 0},      {-32768, -1, 0},    {32767, -3, 1}, {0, 150, 5},      {0, 150, -1},
        {100, 32767, 0}, {-32768, 32767, 1}, {1234, 150, 0},
    };
    std::mt19937 random(7);
    for (const Start& start : starts) {
        SCOPED_TRACE(testing::Message() << "centre " << start.centre << " threshold "
                                        << start.threshold << " above " << start.above);
        const int c = start.centre;
        const int t = start.threshold;
        const int near[] = {c - t - 1, c - t,     c - t + 1, c - 1, c,      c + 1, c + t - 1,
                            c + t,     c + t + 1, -32768,    32767, -32767, 32766};
        std::vector<std::int16_t> block;
        std::uniform_int_distribution<std::size_t> pick(0, std::size(near) - 1);
        for (int i = 0; i < 3000; ++i) {
            block.push_back(
                static_cast<std::int16_t>(std::clamp(near[pick(random)], -32768, 32767)));
        }
        for (const bool adaptive : {false, true}) {
            Pair pair;
            pair.SetState(start.centre, start.threshold, start.above);
            ASSERT_NO_FATAL_FAILURE(pair.Run(block, adaptive));
            ASSERT_NO_FATAL_FAILURE(pair.Run(
                std::vector<std::int16_t>(block.begin() + 1, block.begin() + 40), adaptive));
        }
    }
}

// Crossings at every position of a stride, including its last bit and back-to-back bits.
TEST(BlockScanEquivalence, CrossingsAtEveryBitOfAStride) {
    for (std::size_t first = 0; first < 64; ++first) {
        for (std::size_t gap = 1; gap <= 3; ++gap) {
            std::vector<std::int16_t> block(96, 0);
            for (std::size_t at = first; at < block.size(); at += 2 * gap) {
                block[at] = 2000;
                if (at + gap < block.size())
                    block[at + gap] = -2000;
            }
            Pair pair;
            ASSERT_NO_FATAL_FAILURE(pair.Run(block, false));
            ASSERT_NO_FATAL_FAILURE(pair.Run(block, true));
        }
    }
}

}  // namespace
}  // namespace keyvoice
