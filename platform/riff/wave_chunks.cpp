#include "platform/riff/wave_chunks.h"

#include "platform/bytes/little_endian.h"
#include "platform/riff/riff_chunks.h"

namespace zav::platform::riff {

namespace {

constexpr std::size_t kFormatSize = sizeof(PcmWaveFormat);

WaveSearch Failure(SearchOutcome outcome, WaveSearch notFound) {
    return outcome == SearchOutcome::CutOff ? WaveSearch::Malformed : notFound;
}

PcmWaveFormat ReadFormat(std::span<const std::uint8_t> file, std::size_t offset) {
    PcmWaveFormat format;
    format.formatTag = ReadLe16(file, offset);
    format.channels = ReadLe16(file, offset + 2);
    format.samplesPerSec = ReadLe32(file, offset + 4);
    format.avgBytesPerSec = ReadLe32(file, offset + 8);
    format.blockAlign = ReadLe16(file, offset + 12);
    format.bitsPerSample = ReadLe16(file, offset + 14);
    return format;
}

}  // namespace

WaveSearch FindWaveChunks(std::span<const std::uint8_t> file, WaveChunks& chunks) {
    Chunk form;
    if (SearchOutcome found = FindRiffForm(file, MakeFourCc("WAVE"), form);
        found != SearchOutcome::Found) {
        return found == SearchOutcome::CutOff ? WaveSearch::FormCutOff : WaveSearch::NotRiffWave;
    }
    const std::size_t formEnd = SubChunksEnd(file, form);

    Chunk format;
    if (SearchOutcome found =
            FindChunk(file, SubChunksBegin(form), formEnd, MakeFourCc("fmt "), format);
        found != SearchOutcome::Found) {
        return Failure(found, WaveSearch::NoFormatChunk);
    }
    // Only the first 16 bytes count, but they must be there.
    if (format.size < kFormatSize || PresentBytes(file, format) < kFormatSize)
        return WaveSearch::ShortFormatChunk;

    Chunk data;
    const SearchOutcome dataFound =
        format.NextOffset() >= formEnd
            ? SearchOutcome::NotFound
            : FindChunk(file, static_cast<std::size_t>(format.NextOffset()), formEnd,
                        MakeFourCc("data"), data);
    if (dataFound != SearchOutcome::Found)
        return Failure(dataFound, WaveSearch::NoDataChunk);

    chunks.format = ReadFormat(file, format.dataOffset);
    chunks.data = file.subspan(data.dataOffset, PresentBytes(file, data));
    return WaveSearch::Found;
}

bool HasDataChunkAnywhere(std::span<const std::uint8_t> file) {
    Chunk form;
    Chunk data;
    return FindRiffForm(file, MakeFourCc("WAVE"), form) == SearchOutcome::Found &&
           FindChunk(file, SubChunksBegin(form), SubChunksEnd(file, form), MakeFourCc("data"),
                     data) == SearchOutcome::Found;
}

std::vector<std::uint8_t> BuildWaveHeader(const PcmWaveFormat& format, std::uint32_t dataBytes) {
    std::vector<std::uint8_t> header;
    header.reserve(kWaveHeaderSize);
    LeWriter(header)
        .Code(MakeFourCc("RIFF"))
        .U32(dataBytes + static_cast<std::uint32_t>(kWaveHeaderSize - kChunkHeaderSize))
        .Code(MakeFourCc("WAVE"))
        .Code(MakeFourCc("fmt "))
        .U32(static_cast<std::uint32_t>(kFormatSize))
        .U16(format.formatTag)
        .U16(format.channels)
        .U32(format.samplesPerSec)
        .U32(format.avgBytesPerSec)
        .U16(format.blockAlign)
        .U16(format.bitsPerSample)
        .Code(MakeFourCc("data"))
        .U32(dataBytes);
    return header;
}

}  // namespace zav::platform::riff
