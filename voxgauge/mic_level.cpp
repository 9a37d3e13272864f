#include "voxgauge/mic_level.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace voxgauge {

namespace {

static_assert(std::endian::native == std::endian::little, "capture buffers are little-endian");

std::int16_t SampleAt(std::span<const std::uint8_t> bytes, std::size_t index) {
    const std::size_t offset = index * 2;
    return static_cast<std::int16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

struct Extremes {
    std::int16_t low;
    std::int16_t high;
};

// The smallest and largest of the first count samples. Whole blocks are copied into an array
// of known length first, which lets the compiler compare many samples at once (the bytes are
// little-endian, as the host's are).
Extremes ExtremesOf(std::span<const std::uint8_t> bytes, std::size_t count) {
    constexpr std::size_t kBlock = 64;
    Extremes extremes{SampleAt(bytes, 0), SampleAt(bytes, 0)};
    std::size_t i = 0;
    for (; i + kBlock <= count; i += kBlock) {
        std::array<std::int16_t, kBlock> block{};
        std::memcpy(block.data(), bytes.data() + i * sizeof(std::int16_t), sizeof block);
        std::int16_t low = block[0];
        std::int16_t high = block[0];
        for (const std::int16_t sample : block) {
            low = std::min(low, sample);
            high = std::max(high, sample);
        }
        extremes.low = std::min(extremes.low, low);
        extremes.high = std::max(extremes.high, high);
    }
    for (; i < count; ++i) {
        extremes.low = std::min(extremes.low, SampleAt(bytes, i));
        extremes.high = std::max(extremes.high, SampleAt(bytes, i));
    }
    return extremes;
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

    // The side changes only once the signal leaves the band around the centre, so the buffer
    // crosses exactly when a sample lies beyond the band on the other side, and it ends on the
    // side of the last sample beyond the band. The largest deviation lies at an extreme.
    const auto [low, high] = ExtremesOf(recorded, count);
    const std::int32_t centre = centre_;
    const std::int32_t upper = centre + threshold_;
    const std::int32_t lower = centre - threshold_;
    const bool crossed = above_ ? low < lower : high > upper;
    for (std::size_t i = count; i-- > 0;) {
        const std::int32_t sample = SampleAt(recorded, i);
        if (sample > upper || sample < lower) {
            above_ = sample > upper;
            break;
        }
    }
    const std::int32_t peak = std::max(high - centre, centre - low);

    const bool oneSided = (low > 0 && high > 0) || (low < 0 && high < 0);
    if (threshold_ == kFullThreshold || (!crossed && oneSided)) {
        centre_ = static_cast<std::int16_t>((std::int32_t{low} + high) / 2);
        const std::int32_t halfRange = std::abs(std::int32_t{low} - centre_);
        threshold_ = static_cast<std::int16_t>(std::min<std::int32_t>(halfRange, kFullThreshold));
    }
    return LevelForPeak(peak, map);
}

}  // namespace voxgauge
