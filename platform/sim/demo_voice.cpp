#include "platform/sim/demo_voice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace zav::platform::sim {

namespace {

constexpr double kSyllableSeconds = 0.26;
constexpr double kVoicedShare = 0.8;       // of each syllable; the rest is a short gap
constexpr std::uint64_t kBreathEvery = 9;  // every ninth syllable is a breath (silence)
constexpr double kPhraseSeconds = 9.0;     // the slow swell from soft to loud and back
constexpr double kBaseAmplitude = 1500.0;  // a syllable of average loudness
constexpr double kHissAmplitude = 24.0;    // the room's own noise, below the first level
constexpr std::array<double, 5> kHarmonics{1.0, 0.6, 0.45, 0.25, 0.15};
constexpr double kHarmonicNorm = 1.8;

// A well-mixed 64-bit hash, so each syllable and each sample gets its own repeatable dice.
std::uint64_t Mix(std::uint64_t value) {
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

double Unit(std::uint64_t bits) {
    return static_cast<double>(bits % 10000) / 10000.0;
}

}  // namespace

MicSignal SpeakingVoiceMic(std::shared_ptr<const std::atomic<std::uint32_t>> micVolume) {
    return [micVolume](std::uint64_t frame, std::uint32_t, std::uint32_t sampleRate) {
        if (sampleRate == 0)
            return std::int16_t{0};
        const double t = static_cast<double>(frame) / sampleRate;
        const auto syllable = static_cast<std::uint64_t>(t / kSyllableSeconds);
        const double within = t / kSyllableSeconds - static_cast<double>(syllable);
        const std::uint64_t dice = Mix(syllable);

        double voice = 0.0;
        if (syllable % kBreathEvery != kBreathEvery - 1 && within < kVoicedShare) {
            const double envelope = std::pow(std::sin(std::numbers::pi * within / kVoicedShare), 2);
            const double loudness = 0.6 + 0.8 * Unit(dice >> 8);
            const double phrase =
                1.0 + 0.55 * std::sin(2.0 * std::numbers::pi * t / kPhraseSeconds);
            const double pitch = 110.0 + 60.0 * Unit(dice >> 24);
            double wave = 0.0;
            for (std::size_t h = 0; h < kHarmonics.size(); ++h) {
                const double harmonic = static_cast<double>(h + 1);
                wave += kHarmonics[h] * std::sin(2.0 * std::numbers::pi * harmonic * pitch * t +
                                                 harmonic * Unit(dice >> 40));
            }
            voice = kBaseAmplitude * envelope * loudness * phrase * wave / kHarmonicNorm;
        }
        if (micVolume) {
            voice *=
                static_cast<double>(micVolume->load(std::memory_order_relaxed)) / kUnityMicVolume;
        }
        const double hiss = kHissAmplitude * (2.0 * Unit(Mix(frame ^ 0x5A5A5A5Aull)) - 1.0);
        return static_cast<std::int16_t>(std::clamp(std::lround(voice + hiss), -32768L, 32767L));
    };
}

}  // namespace zav::platform::sim
