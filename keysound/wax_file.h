#pragma once
// .wax sound files: RIFF WAVE files whose format chunk declares 8-bit PCM while the samples are
// G.711 mu-law codes. Loading gives 16-bit linear samples and the 16-bit playback format;
// writing halves the format back and stores one code per sample.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "keysound/sound.h"
#include "platform/files/files.h"

namespace keyvoice {

// The largest sound file the loader reads: 4 MiB, about 95 seconds of one code per sample at
// 22,050 samples per second. A recording's file is 44,144 bytes and a key sound lasts a few
// seconds; anything larger is refused before it is read.
inline constexpr std::uint64_t kMaxSoundFileBytes = std::uint64_t{4} << 20;

enum class LoadStatus {
    Loaded,
    CannotOpen,      // missing or unreadable
    NotRegularFile,  // a folder, FIFO, device or socket: refused without waiting or reading
    TooLarge,        // longer than kMaxSoundFileBytes: refused before reading
    NotRiffWave,     // no RIFF chunk of form "WAVE"
    NoFormatChunk,   // no "fmt " chunk, or one shorter than a PCM format
    NoDataChunk,     // no "data" chunk after the "fmt " chunk
    Malformed,       // a chunk header cut off by the end of the file, or a size beyond 32 bits
    OutOfMemory,
};

struct LoadResult {
    LoadStatus status = LoadStatus::CannotOpen;
    std::optional<Sound> sound;  // present exactly when status is Loaded
    // The format chunk's first 16 bytes as the file has them (the sound's format is this one
    // doubled); set when status is Loaded.
    zav::platform::PcmWaveFormat declared{};
};

// Whether a declared format has the shape a .wax file's has: PCM with 8 bits per sample, as
// its one-byte codes are declared. The loader reads the data as mu-law codes whatever the
// declaration says.
bool DeclaresWaxShape(const zav::platform::PcmWaveFormat& declared);

// Loads a .wax file from memory. Chunks are found by a forward search: the RIFF form "WAVE"
// among the file's top-level chunks, its "fmt " chunk among the form's sub-chunks, and "data"
// among the sub-chunks after "fmt ". Only the first 16 bytes of "fmt " are used, and no field
// of it is checked; its average bytes per second, block align and bits per sample are doubled
// (8-bit codes become 16-bit samples). A "data" chunk that claims more bytes than the file
// holds yields the codes that are there.
LoadResult ParseSoundFile(std::span<const std::uint8_t> file);

// Reads the file through the files seam and parses it. A file that is not a regular file, or
// larger than kMaxSoundFileBytes, is refused without being read.
LoadResult LoadSoundFile(zav::platform::FileSystem& files, std::string_view hostPath);

// Human-readable reason, for tools and logs.
std::string_view DescribeLoadStatus(LoadStatus status);

// The bytes of a .wax file holding codes for the samples: a 44-byte header with the format
// halved, then one mu-law code per sample. Throws std::bad_alloc when memory runs out.
std::vector<std::uint8_t> BuildWaxHeader(const zav::platform::PcmWaveFormat& format,
                                         std::uint32_t codeCount);

enum class WaxWriteResult {
    Written,
    OutOfMemory,  // the code buffer could not be allocated; nothing was written
    Failed,       // the file could not be created, written or flushed; the old file is intact
};

// The whole .wax file for the sound described by header (its wave record's data and buffer
// length, in bytes); nothing when the sound is too long for one, or memory runs out (then
// outOfMemory is set).
std::optional<std::vector<std::uint8_t>> BuildWaxFile(const SoundHeader& header, bool& outOfMemory);

// Writes the sound described by header (its wave record's data and buffer length, in bytes)
// as a .wax file. The file is replaced only when every byte has been written.
WaxWriteResult WriteWaxFile(zav::platform::FileSystem& files, std::string_view hostPath,
                            const SoundHeader& header);

}  // namespace keyvoice
