#pragma once
// Forward search for chunks in a RIFF file held in memory. Sizes are taken as declared but
// every position is checked against the bytes that are there, in 64-bit arithmetic, so no
// declared size can lead outside the file.

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/bytes/little_endian.h"

namespace zav::platform::riff {

inline constexpr std::size_t kChunkHeaderSize = 8;

struct Chunk {
    std::size_t dataOffset = 0;  // first byte after the chunk header
    std::uint64_t size = 0;      // as declared; may run past the end of the file

    // Where the next chunk starts: chunks are word-aligned, so an odd size has a pad byte.
    std::uint64_t NextOffset() const { return dataOffset + size + (size & 1); }
};

enum class SearchOutcome {
    Found,
    NotFound,
    CutOff,  // the search ran into a chunk header cut off by the end of the range
};

// Searches the chunks that start at begin and lie before end for the first with the given id.
SearchOutcome FindChunk(std::span<const std::uint8_t> file, std::size_t begin, std::size_t end,
                        FourCc id, Chunk& chunk);

// Finds the RIFF chunk of the given form type among the file's top-level chunks. The form's
// sub-chunks then lie from SubChunksBegin(form) to SubChunksEnd(file, form).
SearchOutcome FindRiffForm(std::span<const std::uint8_t> file, FourCc formType, Chunk& form);
inline std::size_t SubChunksBegin(const Chunk& form) {
    return form.dataOffset + 4;
}
std::size_t SubChunksEnd(std::span<const std::uint8_t> file, const Chunk& form);

// The number of the chunk's data bytes that the file really holds.
std::size_t PresentBytes(std::span<const std::uint8_t> file, const Chunk& chunk);

}  // namespace zav::platform::riff
