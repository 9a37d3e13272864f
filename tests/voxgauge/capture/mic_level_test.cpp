#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "tests/support/capture_test_support.h"
#include "voxgauge/mic_level.h"

namespace voxgauge {
namespace {

using capture_test::SampleBytes;

std::optional<std::uint32_t> Analyse(MicLevelAnalyser& analyser,
                                     const std::vector<std::int16_t>& samples,
                                     const MicMap& map = kDefaultMicMap) {
    const std::vector<std::uint8_t> bytes = SampleBytes(samples);
    return analyser.Analyse(bytes, map);
}

struct PeakCase {
    std::int32_t peak;
    std::uint32_t level;
};

class LevelForPeakTest : public testing::TestWithParam<PeakCase> {};

TEST_P(LevelForPeakTest, CountsThresholdsReached) {
    EXPECT_EQ(LevelForPeak(GetParam().peak, kDefaultMicMap), GetParam().level);
}

INSTANTIATE_TEST_SUITE_P(DefaultMap, LevelForPeakTest,
                         testing::Values(PeakCase{0, 0}, PeakCase{154, 0}, PeakCase{155, 1},
                                         PeakCase{214, 1}, PeakCase{215, 2}, PeakCase{469, 4},
                                         PeakCase{470, 5}, PeakCase{4250, 12}, PeakCase{9399, 13},
                                         PeakCase{9400, 14}, PeakCase{11099, 14},
                                         PeakCase{11100, 15}, PeakCase{65535, 15}));

TEST(LevelForPeak, StopsAtTheFirstGreaterEntry) {
    MicMap map = kDefaultMicMap;
    map[3] = 100000;  // an entry out of order hides every level above it
    EXPECT_EQ(LevelForPeak(20000, map), 2u);
    map[0] = 1000000;  // entry 0 is never consulted
    EXPECT_EQ(LevelForPeak(200, map), 1u);
}

// One buffer on a fresh analyser (centre 0, threshold 150): its level and what it leaves.
struct FirstBufferCase {
    const char* what;
    std::vector<std::int16_t> samples;
    std::uint32_t level;
    std::int16_t centre;
    std::int16_t threshold;
};

class FirstBufferTest : public testing::TestWithParam<FirstBufferCase> {};

TEST_P(FirstBufferTest, GivesLevelAndRecentres) {
    const FirstBufferCase& c = GetParam();
    MicLevelAnalyser analyser;
    EXPECT_EQ(Analyse(analyser, c.samples), c.level) << c.what;
    EXPECT_EQ(analyser.Centre(), c.centre) << c.what;
    EXPECT_EQ(analyser.Threshold(), c.threshold) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FirstBufferTest,
    testing::Values(
        FirstBufferCase{"silence", {0, 0, 0, 0}, 0, 0, 0},
        FirstBufferCase{"peak 155", {0, 155, -20, 100}, 1, 67, 87},
        FirstBufferCase{"peak 154", {0, -154, 10}, 0, -72, 82},
        FirstBufferCase{"peak 11100", {-11100, 0, 5000}, 15, -3050, 150},
        FirstBufferCase{"peak 11099", {11099, -11099}, 14, 0, 150},
        // Clipped full scale: (-32768 + 32767) / 2 truncates to 0; the band is capped at 150.
        FirstBufferCase{"clipped", {-32768, 32767, -32768, 32767}, 15, 0, 150},
        // The first buffer re-centres on its own mid-range, measured from the old centre 0.
        FirstBufferCase{"offset", {1000, 1200, 1100}, 9, 1100, 100},
        FirstBufferCase{"negative mid-range truncates toward zero", {-3, 0}, 0, -1, 2}));

TEST(MicLevelAnalyser, EmptyBufferChangesNothing) {
    MicLevelAnalyser analyser;
    ASSERT_EQ(Analyse(analyser, {-50, 50}), 0u);  // centre 0, threshold 50
    const std::vector<std::uint8_t> none;
    EXPECT_EQ(analyser.Analyse(none, kDefaultMicMap), std::nullopt);
    const std::vector<std::uint8_t> oddByte = {0x7F};  // not one whole sample
    EXPECT_EQ(analyser.Analyse(oddByte, kDefaultMicMap), std::nullopt);
    EXPECT_EQ(analyser.Centre(), 0);
    EXPECT_EQ(analyser.Threshold(), 50);
    EXPECT_FALSE(analyser.Above());
}

TEST(MicLevelAnalyser, OneSidedBufferWithoutCrossingsRecentres) {
    MicLevelAnalyser analyser;
    ASSERT_EQ(Analyse(analyser, {-50, 50}), 0u);  // threshold 50: a quiet signal
    // Leaves the band upwards: one crossing, so no re-centring with a threshold below 150.
    EXPECT_EQ(Analyse(analyser, {100, 100}), 0u);
    EXPECT_TRUE(analyser.Above());
    EXPECT_EQ(analyser.Centre(), 0);
    EXPECT_EQ(analyser.Threshold(), 50);
    // All positive and no crossing: the centre moves to the buffer's mid-range.
    EXPECT_EQ(Analyse(analyser, {1000, 1040, 1020}), 8u);
    EXPECT_EQ(analyser.Centre(), 1020);
    EXPECT_EQ(analyser.Threshold(), 20);
}

TEST(MicLevelAnalyser, AllNegativeBufferBelowTheCentreRecentres) {
    MicLevelAnalyser analyser;
    ASSERT_EQ(Analyse(analyser, {-40, 40}), 0u);  // centre 0, threshold 40, side below
    EXPECT_EQ(Analyse(analyser, {-900, -700}), 8u);
    EXPECT_EQ(analyser.Centre(), -800);
    EXPECT_EQ(analyser.Threshold(), 100);
}

TEST(MicLevelAnalyser, BufferWithCrossingsKeepsASmallBand) {
    MicLevelAnalyser analyser;
    ASSERT_EQ(Analyse(analyser, {-40, 40}), 0u);
    // Crosses up and down through the band: with crossings and a band below 150 the centre
    // stays.
    EXPECT_EQ(Analyse(analyser, {300, -300, 300}), 3u);
    EXPECT_EQ(analyser.Centre(), 0);
    EXPECT_EQ(analyser.Threshold(), 40);
}

TEST(MicLevelAnalyser, CrossingNeedsToLeaveTheBandStrictly) {
    MicLevelAnalyser analyser;
    ASSERT_EQ(Analyse(analyser, {-40, 40}), 0u);  // threshold 40
    // Exactly at the band's edge: no crossing, and the buffer is all positive, so it
    // re-centres.
    EXPECT_EQ(Analyse(analyser, {40, 40}), 0u);
    EXPECT_FALSE(analyser.Above());
    EXPECT_EQ(analyser.Centre(), 40);
    EXPECT_EQ(analyser.Threshold(), 0);
    // With the band now 0 wide, any rise above the centre counts.
    EXPECT_EQ(Analyse(analyser, {41}), 0u);
    EXPECT_TRUE(analyser.Above());
}

TEST(MicLevelAnalyser, LoudSignalKeepsRecentringOnEachBuffer) {
    MicLevelAnalyser analyser;
    Analyse(analyser, {-2000, 2000});
    EXPECT_EQ(analyser.Threshold(), 150);
    EXPECT_EQ(Analyse(analyser, {3000, 1000, 3000}), 11u);  // peak 3000 from centre 0
    EXPECT_EQ(analyser.Centre(), 2000);
    EXPECT_EQ(analyser.Threshold(), 150);
}

// The analyser's walk written sample by sample, as the band's rule reads: the side changes
// when a sample leaves the band on the other side; a buffer without any such change that lies
// on one side of zero (or any buffer while the band is full) moves the centre to its middle.
struct SampleBySample {
    std::int16_t centre = 0;
    std::int16_t threshold = MicLevelAnalyser::kFullThreshold;
    bool above = false;

    std::uint32_t Analyse(const std::vector<std::int16_t>& samples) {
        std::int32_t peak = 0;
        int crossings = 0;
        std::int16_t low = samples[0];
        std::int16_t high = samples[0];
        for (const std::int16_t sample : samples) {
            const std::int32_t deviation = std::abs(sample - centre);
            const bool beyond = deviation > threshold;
            if (beyond && above == (sample < centre)) {
                above = !above;
                ++crossings;
            }
            peak = std::max(peak, deviation);
            low = std::min(low, sample);
            high = std::max(high, sample);
        }
        const bool oneSided = (low > 0 && high > 0) || (low < 0 && high < 0);
        if (threshold == MicLevelAnalyser::kFullThreshold || (crossings == 0 && oneSided)) {
            centre = static_cast<std::int16_t>((low + high) / 2);
            threshold = static_cast<std::int16_t>(
                std::min<std::int32_t>(std::abs(low - centre), MicLevelAnalyser::kFullThreshold));
        }
        return LevelForPeak(peak, kDefaultMicMap);
    }
};

// Quiet hum inside the band, loud voice, a signal drifting to one side, and the extremes of
// the sample range, in buffers of every length up to a few blocks: the analyser agrees with
// the walk on the level and on the state it carries to the next buffer.
TEST(MicLevelAnalyser, AgreesWithTheSampleBySampleWalk) {
    std::mt19937 random(7);
    MicLevelAnalyser analyser;
    SampleBySample walk;
    for (int buffer = 0; buffer < 3000; ++buffer) {
        const int spread = std::array{0, 60, 200, 3000, 32767}[buffer % 5];
        const int offset = std::uniform_int_distribution<int>(-400, 400)(random);
        const auto length = std::uniform_int_distribution<std::size_t>(1, 300)(random);
        std::uniform_int_distribution<int> noise(-spread, spread);
        std::vector<std::int16_t> samples(length);
        for (std::int16_t& sample : samples)
            sample = static_cast<std::int16_t>(std::clamp(offset + noise(random), -32768, 32767));
        SCOPED_TRACE(testing::Message() << "buffer " << buffer);
        ASSERT_EQ(Analyse(analyser, samples), walk.Analyse(samples));
        ASSERT_EQ(analyser.Centre(), walk.centre);
        ASSERT_EQ(analyser.Threshold(), walk.threshold);
        ASSERT_EQ(analyser.Above(), walk.above);
    }
}

}  // namespace
}  // namespace voxgauge
