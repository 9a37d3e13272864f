#pragma once
// The two chunks of a RIFF WAVE file that matter, found by one rule for every reader: the
// stored key sounds, the simulated microphone's voice file, the speaker's file and zavtool's
// PCM files. The "fmt " chunk comes first among the WAVE form's sub-chunks and its first 16
// bytes must be in the file; the "data" chunk is the first after it, and its sound ends where
// the file ends, whatever its size claims. A chunk header cut off by the end of the file makes
// the file malformed. Writing gives the plain 44-byte header of such a file.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/audio/wave_format.h"

namespace zav::platform::riff {

enum class WaveSearch {
    Found,
    NotRiffWave,       // no RIFF chunk of form type WAVE
    FormCutOff,        // none before a top-level chunk header cut off by the end of the file
    NoFormatChunk,     // no "fmt " chunk among the form's sub-chunks
    ShortFormatChunk,  // a "fmt " chunk without its 16 bytes of format
    NoDataChunk,       // no "data" chunk after the "fmt " chunk
    Malformed,         // a chunk header in the WAVE form is cut off by the end of the file
};

struct WaveChunks {
    PcmWaveFormat format;                // the first 16 bytes of the "fmt " chunk
    std::span<const std::uint8_t> data;  // the "data" chunk's bytes that the file holds
};

WaveSearch FindWaveChunks(std::span<const std::uint8_t> file, WaveChunks& chunks);

// Whether the form's sub-chunks hold a "data" chunk anywhere, to say why one was not found.
bool HasDataChunkAnywhere(std::span<const std::uint8_t> file);

inline constexpr std::size_t kWaveHeaderSize = 44;

// RIFF, WAVE, a 16-byte "fmt " chunk of the format as given and the header of a "data" chunk
// of dataBytes bytes, which follow.
std::vector<std::uint8_t> BuildWaveHeader(const PcmWaveFormat& format, std::uint32_t dataBytes);

}  // namespace zav::platform::riff
