#include <gtest/gtest.h>

#include <vector>

#include "capture_test_support.h"
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

}  // namespace
}  // namespace voxgauge
