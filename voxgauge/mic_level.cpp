#include "voxgauge/mic_level.h"

#include <algorithm>
#include <cstdlib>

namespace voxgauge {

namespace {

std::int16_t SampleAt(std::span<const std::uint8_t> bytes, std::size_t index) {
    const std::size_t offset = index * 2;
    return static_cast<std::int16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

}  // namespace

std::uint32_t LevelForPeak(std::int32_t peak, const MicMap& map) {
    std::uint32_t level = 0;
    while (level < kMaxMicLevel && map[level + 1] <= peak)
        ++level;
    return level;
}

std::optional<std::uint32_t> MicLevelAnalyser::Analyse(std::span<const std::uint8_t> recorded,
                                                       const MicMap& map) {
    const std::size_t count = recorded.size() / 2;
    if (count == 0)
        return std::nullopt;

    std::int32_t peak = 0;
    std::uint32_t crossings = 0;
    std::int16_t low = SampleAt(recorded, 0);
    std::int16_t high = low;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int16_t sample = SampleAt(recorded, i);
        const std::int32_t deviation = std::abs(std::int32_t{sample} - centre_);
        // The side changes only once the signal leaves the band around the centre.
        if (above_) {
            if (sample < centre_ && deviation > threshold_) {
                above_ = false;
                ++crossings;
            }
        } else if (sample >= centre_ && deviation > threshold_) {
            above_ = true;
            ++crossings;
        }
        peak = std::max(peak, deviation);
        low = std::min(low, sample);
        high = std::max(high, sample);
    }

    const bool oneSided = (low > 0 && high > 0) || (low < 0 && high < 0);
    if (threshold_ == kFullThreshold || (crossings == 0 && oneSided)) {
        centre_ = static_cast<std::int16_t>((std::int32_t{low} + high) / 2);
        const std::int32_t halfRange = std::abs(std::int32_t{low} - centre_);
        threshold_ = static_cast<std::int16_t>(std::min<std::int32_t>(halfRange, kFullThreshold));
    }
    return LevelForPeak(peak, map);
}

}  // namespace voxgauge
