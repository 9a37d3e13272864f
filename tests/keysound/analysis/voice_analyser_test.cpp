#include "keysound/voice_analyser.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "tests/keysound/analysis/signals.h"

namespace keyvoice {
namespace {

using analysis_test::AnalyseBlock;
using analysis_test::Fields;
using analysis_test::Pulses;
using analysis_test::Tone;

constexpr std::int32_t kRate = 22000;
constexpr std::size_t kRecordingSamples = 44100;
constexpr std::size_t kTickSamples = 2205;

TEST(VoiceAnalyserConstruction, StartsWithTheInitialStateAndDividesTheRateFirst) {
    const VoiceAnalyser a(kRate);
    EXPECT_EQ(Fields(a), (std::array<std::int32_t, 10>{0, 150, 22000, 110, 66, 0, 0, 0, 0, 0}));
    // 22999 / 1000 is 22 before it is multiplied: 110 and 66, not 114 and 68.
    const VoiceAnalyser b(22999);
    EXPECT_EQ(b.minPeriod, 110);
    EXPECT_EQ(b.periodTolerance, 66);
}

TEST(VoiceAnalyserSine, A200SamplePeriodIsPeriodicAtLevelZeroForEveryPhase) {
    for (int phase = 0; phase < 200; ++phase) {
        SCOPED_TRACE(phase);
        VoiceAnalyser a(kRate);
        a.AnalyseFixed(Tone(2000, 200, 1000, phase));
        EXPECT_TRUE(a.crossings == 9 || a.crossings == 10) << a.crossings;
        EXPECT_EQ(a.score, 1);
        EXPECT_EQ(a.inBand, 0);
        EXPECT_EQ(a.Classify(), (AnalysisResult{SoundClass::Periodic, 0}));
    }
}

TEST(VoiceAnalyserBand, FiveSampleToneIsAboveTheBandAndSixSampleToneIsInIt) {
    struct Case {
        double period;
        std::int32_t fewest;
        bool inBand;
    };
    for (const Case c : {Case{5, 8819, false}, Case{6, 7349, true}}) {
        for (int phase = 0; phase < static_cast<int>(c.period); ++phase) {
            SCOPED_TRACE(testing::Message() << "period " << c.period << " phase " << phase);
            VoiceAnalyser a(kRate);
            a.AnalyseFixed(Tone(kRecordingSamples, c.period, 1000, phase));
            EXPECT_TRUE(a.crossings == c.fewest || a.crossings == c.fewest + 1) << a.crossings;
            EXPECT_EQ(a.inBand, c.inBand ? 1 : 0);
            EXPECT_EQ(a.Classify().soundClass == SoundClass::InBand, c.inBand);
        }
    }
}

TEST(VoiceAnalyserBand, BoundsAreExclusiveForAWholeRecordingAndForATick) {
    struct Case {
        std::size_t count;
        std::size_t downCrossings;
        bool inBand;
    };
    const Case cases[] = {
        {kRecordingSamples, 7215, false}, {kRecordingSamples, 7216, false},
        {kRecordingSamples, 7217, true},  {kRecordingSamples, 8418, true},
        {kRecordingSamples, 8419, false}, {kRecordingSamples, 8420, false},
        {kTickSamples, 360, false},       {kTickSamples, 361, true},
        {kTickSamples, 419, true},        {kTickSamples, 420, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " samples, " << c.downCrossings);
        VoiceAnalyser a(kRate);
        a.AnalyseFixed(Pulses(c.count, c.downCrossings));
        ASSERT_EQ(a.crossings, static_cast<std::int32_t>(c.downCrossings));
        EXPECT_EQ(a.inBand, c.inBand ? 1 : 0);
    }
}

// Samples on the edge of the band cross nothing; the hysteresis state carries into the next
// block.
TEST(VoiceAnalyserBand, EdgesCrossNothingAndTheStateCarriesIntoTheNextBlock) {
    struct Step {
        std::vector<std::int16_t> block;
        std::int32_t above;
        std::int32_t crossings;
    };
    for (const std::vector<Step>& steps :
         {std::vector<Step>{{{150, -150, 150, -150}, 0, 0}, {{151, -151, 151}, 1, 1}},
          std::vector<Step>{{{1000}, 1, 0}, {{-1000}, 0, 1}}}) {
        VoiceAnalyser a(kRate);
        for (const Step& step : steps) {
            a.AnalyseFixed(step.block);
            EXPECT_EQ(a.above, step.above) << step.block.front();
            EXPECT_EQ(a.crossings, step.crossings) << step.block.front();
        }
    }
}

// The level counts the thresholds at or below the peak (fixed) or twice the peak (adaptive):
// every threshold and its neighbours, then named cases and full scale.
TEST(VoiceAnalyserLevel, EveryThresholdItsNeighboursAndFullScale) {
    struct Case {
        bool adaptive;
        std::vector<std::int16_t> block;
        std::int32_t level;
    };
    std::vector<Case> cases{{false, {5799}, 1},    {false, {5798}, 0},   {true, {2900}, 1},
                            {true, {2899}, 0},     {false, {29971}, 15}, {false, {32767}, 15},
                            {false, {-32768}, 15}, {true, {14986}, 15},  {true, {14985}, 14}};
    // The peak on the negative side, after a quiet start: centre 0 when scanned.
    const auto peak = [](std::int32_t p) {
        return std::vector<std::int16_t>{0, static_cast<std::int16_t>(-p)};
    };
    for (std::size_t index = 0; index < LevelThresholds.size(); ++index) {
        const std::int32_t t = LevelThresholds[index];
        const auto below = static_cast<std::int32_t>(index);
        // Adaptive peaks whose double is just under and at or just over the threshold.
        cases.insert(cases.end(), {{false, peak(t - 1), below},
                                   {false, peak(t), below + 1},
                                   {false, peak(t + 1), below + 1},
                                   {true, peak((t - 1) / 2), below},
                                   {true, peak((t + 1) / 2), below + 1}});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "peak " << c.block.back() << (c.adaptive ? " adaptive" : " fixed"));
        VoiceAnalyser a(kRate);
        AnalyseBlock(a, c.block, c.adaptive);
        EXPECT_EQ(a.level, c.level);
        EXPECT_EQ(a.Classify().level, c.level);
    }
}

TEST(VoiceAnalyserRecentring, FollowsTheSignalOnlyAsTheRulesAllow) {
    struct Case {
        const char* name;
        std::int16_t centre;
        std::int16_t threshold;
        std::int32_t above;
        std::vector<std::int16_t> block;
        std::int16_t centreAfter;
        std::int16_t thresholdAfter;
    };
    const Case cases[] = {
        {"all 300, fresh band", 0, 150, 0, std::vector<std::int16_t>(50, 300), 300, 0},
        {"all 300, narrow band", 0, 100, 0, std::vector<std::int16_t>(50, 300), 300, 0},
        {"all -300, narrow band", 0, 100, 0, std::vector<std::int16_t>(50, -300), -300, 0},
        {"all 0, narrow band", 50, 100, 0, std::vector<std::int16_t>(50, 0), 50, 100},
        {"straddles zero, narrow band", 0, 100, 0, {-10, 10, -10}, 0, 100},
        {"one-sided but crosses down", 1000, 50, 1, {500, 1500}, 1000, 50},
        {"one-sided, no crossing", 1000, 50, 0, {700, 840}, 770, 70},
        {"half-swing caps the band", 0, 150, 0, {-1000, 1000, -1000, 3001}, 1000, 150},
        {"division truncates toward zero", 0, 150, 0, {-3, 0}, -1, 2},
        {"band is the distance to the low side", 0, 150, 0, {-60, 60, 40}, 0, 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VoiceAnalyser adaptive(kRate);
        adaptive.centre = c.centre;
        adaptive.threshold = c.threshold;
        adaptive.above = c.above;
        VoiceAnalyser fixed = adaptive;
        adaptive.AnalyseAdaptive(c.block);
        EXPECT_EQ(adaptive.centre, c.centreAfter);
        EXPECT_EQ(adaptive.threshold, c.thresholdAfter);
        // The fixed variant never moves the line.
        fixed.AnalyseFixed(c.block);
        EXPECT_EQ(fixed.centre, c.centre);
        EXPECT_EQ(fixed.threshold, c.threshold);
    }
}

TEST(VoiceAnalyserRecentring, TheFirstBlockAlwaysRecentresAndTheScanUsesTheOldLine) {
    VoiceAnalyser a(kRate);
    // Crossings of the old line (0): up at 1000, down at -1000, up at 3001.
    const std::vector<std::int16_t> block{1000, -1000, 3001};
    a.AnalyseAdaptive(block);
    EXPECT_EQ(a.crossings, 1);
    EXPECT_EQ(a.above, 1);
    EXPECT_EQ(a.centre, 1000);
    EXPECT_EQ(a.threshold, 150);
    // The level comes from twice the peak around the old line: 2 * 3001.
    EXPECT_EQ(a.level, LevelForDeviation(6002));
}

TEST(VoiceAnalyserEmptyBlocks, ChangeNothingAndRepeatTheLastResult) {
    VoiceAnalyser a(kRate);
    a.AnalyseAdaptive(Tone(2205, 6, 9000));
    a.AnalyseFixed(Tone(2205, 200, 7000));
    const auto before = Fields(a);
    const AnalysisResult result = a.Classify();
    ASSERT_NE(result, AnalysisResult{});

    const std::vector<std::int16_t> data(100, 5000);
    a.AnalyseFixed(nullptr, 100);
    a.AnalyseAdaptive(nullptr, 100);
    a.AnalyseFixed(data.data(), 0);
    a.AnalyseAdaptive(data.data(), 0);
    a.AnalyseFixed(data.data(), -7);
    a.AnalyseAdaptive(data.data(), -7);
    a.AnalyseFixed(std::span<const std::int16_t>{});
    a.AnalyseAdaptive(std::span<const std::int16_t>{});
    EXPECT_EQ(Fields(a), before);
    EXPECT_EQ(a.Classify(), result);

    std::vector<std::int16_t> untouched(4, 1234);
    a.Normalise(nullptr, 4);
    a.Normalise(untouched.data(), 0);
    a.Normalise(untouched.data(), -1);
    a.Normalise(std::span<std::int16_t>{});
    EXPECT_EQ(untouched, std::vector<std::int16_t>(4, 1234));
}

TEST(VoiceAnalyserScore, CarriesAcrossBlocksAndIsLeftAloneBySilence) {
    VoiceAnalyser a(kRate);
    const auto periodic = Tone(2000, 200, 1000);
    a.AnalyseFixed(periodic);
    a.AnalyseFixed(periodic);
    EXPECT_EQ(a.score, 2);
    // Short periods only: every upward crossing subtracts.
    a.AnalyseFixed(Tone(2000, 20, 1000));
    EXPECT_EQ(a.score, 1);
    // Inside the band: no crossing, score kept, Silent, but the level still measured.
    a.AnalyseFixed(std::vector<std::int16_t>(500, 100));
    EXPECT_EQ(a.score, 1);
    EXPECT_EQ(a.Classify(), (AnalysisResult{SoundClass::Silent, 0}));

    // The same sound classifies differently after other blocks.
    VoiceAnalyser fresh(kRate);
    fresh.AnalyseFixed(periodic);
    EXPECT_EQ(fresh.Classify().soundClass, SoundClass::Periodic);

    VoiceAnalyser played(kRate);
    const auto buzz = Tone(2000, 20, 1000);
    played.AnalyseFixed(buzz);
    played.AnalyseFixed(buzz);
    played.AnalyseFixed(periodic);
    EXPECT_EQ(played.score, -1);
    EXPECT_EQ(played.Classify().soundClass, SoundClass::Irregular);
}

TEST(VoiceAnalyserClassify, InBandComesFirstThenSilenceThenTheScore) {
    struct Case {
        std::int32_t inBand;
        std::int32_t crossings;
        std::int32_t score;
        SoundClass expected;
    };
    for (const Case c :
         {Case{1, 0, 5, SoundClass::InBand}, Case{1, 7300, -3, SoundClass::InBand},
          Case{0, 0, 5, SoundClass::Silent}, Case{0, 3, 1, SoundClass::Periodic},
          Case{0, 3, 0, SoundClass::Irregular}, Case{0, 3, -2, SoundClass::Irregular}}) {
        VoiceAnalyser a(kRate);
        a.inBand = c.inBand;
        a.crossings = c.crossings;
        a.score = c.score;
        a.level = 9;
        EXPECT_EQ(a.Classify(), (AnalysisResult{c.expected, 9}));
    }
}

TEST(VoiceAnalyserNormalise, RemovesTheCentreDoublesAndClamps) {
    struct Case {
        std::int16_t centre;
        std::int16_t in;
        std::int16_t out;
    };
    for (const Case c :
         {Case{100, 100, 0}, Case{100, 101, 2}, Case{100, 99, -2}, Case{0, 16383, 32766},
          Case{0, 16384, 32767}, Case{0, -16384, -32768}, Case{0, -16385, -32768},
          Case{100, -32768, -32768}, Case{-100, 32767, 32767}, Case{-300, -200, 200}}) {
        SCOPED_TRACE(testing::Message() << "centre " << c.centre << " sample " << c.in);
        VoiceAnalyser a(kRate);
        a.centre = c.centre;
        std::vector<std::int16_t> samples{c.in, c.in};
        a.Normalise(samples.data(), 1);  // the count bounds the rewrite
        EXPECT_EQ(samples[0], c.out);
        EXPECT_EQ(samples[1], c.in);
    }
}

}  // namespace
}  // namespace keyvoice
