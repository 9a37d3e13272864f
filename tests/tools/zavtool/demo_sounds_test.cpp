#include "tools/zavtool/demo_sounds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <span>
#include <vector>

#include "keysound/key_slots.h"

namespace {

using zavtool::SynthesizeKeySound;

constexpr std::int32_t kLowVoice = keyvoice::kMaleSoundVariant;
constexpr std::int32_t kHighVoice = keyvoice::kDefaultSoundVariant;
constexpr std::array kBuiltinKeys{'W', '1', '2', '3', '4', '5'};
constexpr double kRate = zavtool::kDemoSampleRate;

double Seconds(std::span<const std::int16_t> samples) {
    return static_cast<double>(samples.size()) / kRate;
}

int Peak(std::span<const std::int16_t> samples) {
    int peak = 0;
    for (std::int16_t sample : samples)
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    return peak;
}

// The pitch where the sound is loudest, from the strongest autocorrelation over lags of
// 150 Hz to 2,750 Hz.
double PitchAtPeak(std::span<const std::int16_t> samples) {
    constexpr std::size_t kWindow = 1024, kMinLag = 8, kMaxLag = 147;
    const auto loudest = std::max_element(samples.begin(), samples.end(), [](auto a, auto b) {
        return std::abs(static_cast<int>(a)) < std::abs(static_cast<int>(b));
    });
    const auto centre = static_cast<std::size_t>(loudest - samples.begin());
    const std::size_t begin = std::min(centre > kWindow / 2 ? centre - kWindow / 2 : 0,
                                       samples.size() - kWindow - kMaxLag);
    std::size_t bestLag = 0;
    double best = -1;
    for (std::size_t lag = kMinLag; lag <= kMaxLag; ++lag) {
        double both = 0, first = 0, second = 0;
        for (std::size_t i = begin; i < begin + kWindow; ++i) {
            const double now = samples[i], later = samples[i + lag];
            both += now * later;
            first += now * now;
            second += later * later;
        }
        if (const double r = both / std::sqrt(first * second); r > best) {
            best = r;
            bestLag = lag;
        }
    }
    return kRate / static_cast<double>(bestLag);
}

// Normalised correlation of the two sounds over their common length: near 1 for the same
// sound, near 0 for unrelated ones.
double Likeness(std::span<const std::int16_t> a, std::span<const std::int16_t> b) {
    double both = 0, first = 0, second = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        const double x = a[i], y = b[i];
        both += x * y;
        first += x * x;
        second += y * y;
    }
    return both / std::sqrt(first * second);
}

TEST(DemoSounds, EachVoiceHasSixShortCleanDistinctSoundsWithTheirOwnCharacter) {
    for (const std::int32_t variant : {kLowVoice, kHighVoice}) {
        SCOPED_TRACE(variant);
        std::map<char, std::vector<std::int16_t>> sounds;
        for (const char key : kBuiltinKeys) {
            SCOPED_TRACE(key);
            const std::vector<std::int16_t>& sound = sounds[key] = SynthesizeKeySound(key, variant);
            EXPECT_GE(Seconds(sound), 0.3);
            EXPECT_LE(Seconds(sound), 1.2);
            ASSERT_GT(sound.size(), 2u);
            // Starting or stopping away from zero would click.
            EXPECT_LT(std::abs(sound.front()), 100);
            EXPECT_LT(std::abs(sound.back()), 100);
            EXPECT_LT(Peak(sound), 32000);  // no clipping
        }
        for (const char a : kBuiltinKeys) {
            for (const char b : kBuiltinKeys) {
                if (a < b) {
                    EXPECT_LT(std::abs(Likeness(sounds[a], sounds[b])), 0.5) << a << b;
                }
            }
        }
        // "Quiet" is the softest; "Scared" the highest voice, well above "Friendly"; the
        // whistle above every voice.
        for (const char key : {'W', '2', '3', '4', '5'})
            EXPECT_LT(Peak(sounds['1']), Peak(sounds[key]) * 2 / 3) << key;
        for (const char key : {'1', '2', '3', '4'})
            EXPECT_GT(PitchAtPeak(sounds['5']), PitchAtPeak(sounds[key])) << key;
        EXPECT_GT(PitchAtPeak(sounds['5']), 1.5 * PitchAtPeak(sounds['3']));
        EXPECT_GT(PitchAtPeak(sounds['W']), PitchAtPeak(sounds['5']));
    }
}

TEST(DemoSounds, TheLowVoiceIsLowerThanTheHighOneOnEveryKeyAndOtherKeysHaveNone) {
    for (const char key : kBuiltinKeys) {
        const std::vector<std::int16_t> low = SynthesizeKeySound(key, kLowVoice);
        const std::vector<std::int16_t> high = SynthesizeKeySound(key, kHighVoice);
        EXPECT_LT(PitchAtPeak(low), 0.9 * PitchAtPeak(high)) << key;
        // Any variant but the low one gives the high voice, as the recorder picks file sets.
        EXPECT_EQ(SynthesizeKeySound(key, 0), high) << key;
        EXPECT_EQ(SynthesizeKeySound(key, -1), high) << key;
    }
    // Keys without a built-in sound give nothing.
    for (const char key : {'6', '7', '8', '9', '0', 'w', 'X', '\0'})
        EXPECT_TRUE(SynthesizeKeySound(key, kHighVoice).empty()) << key;
}

}  // namespace
