#pragma once
// Ordinary 16-bit PCM mono WAVE files, as any player or editor reads and writes them.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/audio/wave_format.h"

namespace zavtool {

struct PcmWave {
    zav::platform::PcmWaveFormat format;
    std::vector<std::int16_t> samples;
};

// Reads a RIFF WAVE file of 16-bit PCM mono samples. On anything else, gives nothing and sets
// problem to a short reason ("not 16-bit PCM", "not mono", "not a RIFF WAVE file" ...).
std::optional<PcmWave> ReadPcmWave(std::span<const std::uint8_t> bytes, std::string& problem);

// The whole file: a 44-byte header with the format as given, then the samples.
std::vector<std::uint8_t> BuildPcmWave(const zav::platform::PcmWaveFormat& format,
                                       std::span<const std::int16_t> samples);

}  // namespace zavtool
