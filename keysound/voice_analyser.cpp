#include "keysound/voice_analyser.h"

#include <algorithm>

#include "keysound/block_scan.h"

namespace keyvoice {

namespace {

// Downward crossings per second of nominal time that make a block InBand (both exclusive).
constexpr std::int64_t kBandLowPerSecond = 3600;
constexpr std::int64_t kBandHighPerSecond = 4200;

constexpr std::int32_t kSampleMin = std::numeric_limits<std::int16_t>::min();
constexpr std::int32_t kSampleMax = std::numeric_limits<std::int16_t>::max();

std::span<const std::int16_t> Block(const std::int16_t* samples, std::int32_t count) {
    if (samples == nullptr || count <= 0)
        return {};
    return {samples, static_cast<std::size_t>(count)};
}

std::span<std::int16_t> Block(std::int16_t* samples, std::int32_t count) {
    if (samples == nullptr || count <= 0)
        return {};
    return {samples, static_cast<std::size_t>(count)};
}

// The band bounds are whole crossings per block: count * perSecond / rate, truncated. A rate
// of 0 or less has no band (the division would be meaningless).
bool CrossingRateInBand(std::int32_t down, std::int64_t count, std::int32_t rate) {
    if (rate <= 0)
        return false;
    const std::int64_t lowBound = count * kBandLowPerSecond / rate;
    const std::int64_t highBound = count * kBandHighPerSecond / rate;
    return lowBound < down && down < highBound;
}

enum class Variant { Fixed, Adaptive };

// One block, both variants: scan, then (adaptive only) re-centre, then the block results.
void Analyse(VoiceAnalyser& a, std::span<const std::int16_t> samples, Variant variant) {
    if (samples.empty())
        return;
    samples = samples.first(std::min(samples.size(), kMaxBlockSamples));
    const auto count = static_cast<std::int64_t>(samples.size());

    const BlockScan scan =
        ScanBlock(samples, {a.centre, a.threshold, a.above, a.minPeriod, a.periodTolerance});
    a.above = scan.above;

    if (variant == Variant::Adaptive) {
        // Follow the signal while the band is still at its widest, or after a quiet block
        // that lies wholly on one side of zero.
        const bool oneSided = (scan.low > 0 && scan.high > 0) || (scan.low < 0 && scan.high < 0);
        if (a.threshold == kMaxThreshold || (scan.down == 0 && oneSided)) {
            const std::int32_t line = (std::int32_t{scan.low} + scan.high) / 2;
            a.centre = static_cast<std::int16_t>(line);
            a.threshold =
                static_cast<std::int16_t>(std::min<std::int32_t>(kMaxThreshold, line - scan.low));
        }
    }

    if (scan.down > 0) {
        a.score += scan.regularity > 0 ? 1 : -1;
        a.inBand = CrossingRateInBand(scan.down, count, a.rate) ? 1 : 0;
    } else {
        a.inBand = 0;
    }
    a.crossings = scan.down;
    // The adaptive level matches the doubling that Normalise applies to a finished recording.
    a.level = LevelForDeviation(variant == Variant::Adaptive ? 2 * scan.peak : scan.peak);
}

}  // namespace

std::int32_t LevelForDeviation(std::int32_t deviation) {
    // The table is ascending: the count of entries <= deviation is the first one above it.
    const auto firstAbove =
        std::upper_bound(LevelThresholds.begin(), LevelThresholds.end(), deviation);
    return static_cast<std::int32_t>(firstAbove - LevelThresholds.begin());
}

VoiceAnalyser::VoiceAnalyser(std::int32_t sampleRate)
    : rate(sampleRate), minPeriod(sampleRate / 1000 * 5), periodTolerance(sampleRate / 1000 * 3) {}

void VoiceAnalyser::AnalyseFixed(std::span<const std::int16_t> samples) {
    Analyse(*this, samples, Variant::Fixed);
}

void VoiceAnalyser::AnalyseFixed(const std::int16_t* samples, std::int32_t count) {
    Analyse(*this, Block(samples, count), Variant::Fixed);
}

void VoiceAnalyser::AnalyseAdaptive(std::span<const std::int16_t> samples) {
    Analyse(*this, samples, Variant::Adaptive);
}

void VoiceAnalyser::AnalyseAdaptive(const std::int16_t* samples, std::int32_t count) {
    Analyse(*this, Block(samples, count), Variant::Adaptive);
}

AnalysisResult VoiceAnalyser::Classify() const {
    SoundClass soundClass;
    if (inBand == 1) {
        soundClass = SoundClass::InBand;
    } else if (crossings == 0) {
        soundClass = SoundClass::Silent;
    } else if (score > 0) {
        soundClass = SoundClass::Periodic;
    } else {
        soundClass = SoundClass::Irregular;
    }
    return {soundClass, level};
}

void VoiceAnalyser::Normalise(std::span<std::int16_t> samples) const {
    const std::int32_t line = centre;
    for (std::int16_t& sample : samples) {
        sample = static_cast<std::int16_t>(std::clamp((sample - line) * 2, kSampleMin, kSampleMax));
    }
}

void VoiceAnalyser::Normalise(std::int16_t* samples, std::int32_t count) const {
    Normalise(Block(samples, count));
}

}  // namespace keyvoice
