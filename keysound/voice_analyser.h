#pragma once
// The integer-only voice analyser: one call analyses one block of 16-bit mono samples and
// leaves a level 0 to 15 and the figures that Classify turns into a sound class.
//
// Thread: none of its own. An analyser is a plain record used by one activity at a time; the
// owner says which thread that is (see KeyVoiceAnalysers).

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

#include "keysound/analysis_result.h"

namespace keyvoice {

// Deviations from the centre line at which the level meter lights one more segment. The level
// of a block is the number of entries at or below its (possibly doubled) peak deviation.
inline constexpr std::array<std::int32_t, 15> LevelThresholds{5799,  6403,  6881,  7495,  8578,
                                                              9136,  9951,  10987, 12240, 13393,
                                                              17000, 20170, 23190, 27639, 29971};

// The number of LevelThresholds entries that are <= deviation.
std::int32_t LevelForDeviation(std::int32_t deviation);

// A block counts its samples in 32 bits; a longer span is analysed up to this many samples.
inline constexpr std::size_t kMaxBlockSamples =
    static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());

// Half-width of the hysteresis band of a fresh analyser, and the widest it ever gets.
inline constexpr std::int16_t kMaxThreshold = 150;

struct VoiceAnalyser {
    // sampleRate becomes rate, the nominal rate of the time constants (KeyVoice uses 22000).
    // A rate of 0 or less has no crossing band: inBand stays 0.
    explicit VoiceAnalyser(std::int32_t sampleRate);

    // Scans the block around the current centre line; updates above, score, inBand,
    // crossings and level. An empty block (or a null pointer, or count <= 0) changes nothing.
    void AnalyseFixed(std::span<const std::int16_t> samples);
    void AnalyseFixed(const std::int16_t* samples, std::int32_t count);

    // The same scan; afterwards the centre line and band may follow the signal, and the level
    // is taken from twice the peak (the gain Normalise applies). Empty: nothing changes.
    void AnalyseAdaptive(std::span<const std::int16_t> samples);
    void AnalyseAdaptive(const std::int16_t* samples, std::int32_t count);

    // The class and level that the last analysed block left. Changes nothing.
    AnalysisResult Classify() const;

    // Rewrites each sample s as (s - centre) * 2, clamped to the 16-bit range so that a loud
    // sample never wraps into a full-scale click of the other sign. Empty: nothing happens.
    void Normalise(std::span<std::int16_t> samples) const;
    void Normalise(std::int16_t* samples, std::int32_t count) const;

    std::int16_t centre = 0;                 // centre line of the signal
    std::int16_t threshold = kMaxThreshold;  // half-width of the hysteresis band
    std::int32_t rate;                       // nominal sample rate of the time constants
    std::int32_t minPeriod;                  // a period of more samples than this is long
    std::int32_t periodTolerance;            // long periods closer than this are regular
    std::int32_t above = 0;      // 1 after the signal last left the band upwards, else 0
    std::int32_t level = 0;      // level of the last block, 0..15
    std::int32_t score = 0;      // running regularity score; never reset
    std::int32_t inBand = 0;     // 1 when the last block's crossing rate lay in the band
    std::int32_t crossings = 0;  // downward crossings of the last block
};

}  // namespace keyvoice
