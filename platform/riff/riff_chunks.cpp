#include "platform/riff/riff_chunks.h"

#include <algorithm>

namespace zav::platform::riff {

SearchOutcome FindChunk(std::span<const std::uint8_t> file, std::size_t begin, std::size_t end,
                        FourCc id, Chunk& chunk) {
    end = std::min(end, file.size());
    std::uint64_t position = begin;
    while (position < end) {
        if (position + kChunkHeaderSize > end)
            return SearchOutcome::CutOff;
        const auto at = static_cast<std::size_t>(position);
        const Chunk candidate{at + kChunkHeaderSize, ReadLe32(file, at + 4)};
        if (HasFourCc(file, at, id)) {
            chunk = candidate;
            return SearchOutcome::Found;
        }
        position = candidate.NextOffset();
    }
    return SearchOutcome::NotFound;
}

SearchOutcome FindRiffForm(std::span<const std::uint8_t> file, FourCc formType, Chunk& form) {
    static const FourCc kRiff = MakeFourCc("RIFF");
    std::uint64_t position = 0;
    while (position < file.size()) {
        SearchOutcome outcome =
            FindChunk(file, static_cast<std::size_t>(position), file.size(), kRiff, form);
        if (outcome != SearchOutcome::Found)
            return outcome;
        if (form.size >= 4 && form.dataOffset + 4 <= file.size() &&
            HasFourCc(file, form.dataOffset, formType)) {
            return SearchOutcome::Found;
        }
        position = form.NextOffset();
    }
    return SearchOutcome::NotFound;
}

std::size_t SubChunksEnd(std::span<const std::uint8_t> file, const Chunk& form) {
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(form.dataOffset + form.size, file.size()));
}

std::size_t PresentBytes(std::span<const std::uint8_t> file, const Chunk& chunk) {
    if (chunk.dataOffset >= file.size())
        return 0;
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(chunk.size, file.size() - chunk.dataOffset));
}

}  // namespace zav::platform::riff
