#pragma once
// A small reader for RIFF WAVE files of 8- or 16-bit PCM, used to give the simulated
// microphone a voice. It parses bytes, never file names, so tests and fuzzers feed memory.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zav::platform::sim {

// Interleaved 16-bit samples (8-bit files are widened) and their rate and channel count.
struct PcmSamples {
    std::uint32_t sampleRate = 0;
    std::uint16_t channels = 0;
    std::vector<std::int16_t> samples;

    std::size_t FrameCount() const { return channels == 0 ? 0 : samples.size() / channels; }
};

// Reads the "fmt " and "data" chunks of a WAVE file, found as for every WAVE file the programs
// read (platform/riff/wave_chunks.h): the sound ends where the file ends. On anything it cannot
// use, gives nothing and sets problem to a short reason ("not a RIFF WAVE file", "no data chunk"
// ...). A trailing partial frame is dropped.
std::optional<PcmSamples> ReadWaveFile(std::span<const std::uint8_t> bytes, std::string& problem);

}  // namespace zav::platform::sim
