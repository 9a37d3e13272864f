#pragma once
// The loudness of one captured buffer as a level 0 to 15: the largest deviation of a sample
// from a centre line that the analyser tracks from buffer to buffer, looked up in the mic map.
//
// Thread: one MicLevelAnalyser is used by one thread at a time (the capture callback, under
// the engine's lock).

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace voxgauge {

// Entries 1 to 15 are the least peak deviations that reach levels 1 to 15; entry 0 is unused.
using MicMap = std::array<std::int32_t, 16>;

inline constexpr MicMap kDefaultMicMap = {0,   155,  215,  275,  345,  470,  555,  690,
                                          860, 1125, 1400, 2620, 4250, 5800, 9400, 11100};

inline constexpr std::uint32_t kMaxMicLevel = 15;

// The number of entries 1, 2 ... 15, in order, not greater than peak; counting stops at the
// first entry greater than peak.
std::uint32_t LevelForPeak(std::int32_t peak, const MicMap& map);

class MicLevelAnalyser {
  public:
    static constexpr std::int16_t kFullThreshold = 150;

    // Analyses recorded bytes as interleaved little-endian signed 16-bit samples (a trailing
    // odd byte is ignored), updates centre, threshold and side, and gives the level. A block
    // without one whole sample changes nothing and gives nothing.
    std::optional<std::uint32_t> Analyse(std::span<const std::uint8_t> recorded, const MicMap& map);

    std::int16_t Centre() const { return centre_; }
    std::int16_t Threshold() const { return threshold_; }
    bool Above() const { return above_; }

  private:
    std::int16_t centre_ = 0;                  // the adaptive zero line
    std::int16_t threshold_ = kFullThreshold;  // half-width of the hysteresis band, 0 to 150
    bool above_ = false;                       // side of the centre the signal was last seen on
};

}  // namespace voxgauge
