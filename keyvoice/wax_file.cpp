#include "keyvoice/wax_file.h"

#include <array>
#include <limits>
#include <new>

#include "keyvoice/mulaw_codec.h"
#include "keyvoice/riff_chunks.h"
#include "platform/bytes/little_endian.h"

namespace keyvoice {

using zav::platform::FourCc;
using zav::platform::MakeFourCc;
using zav::platform::PcmWaveFormat;
using zav::platform::ReadLe16;
using zav::platform::ReadLe32;

namespace {

const FourCc kRiff = MakeFourCc("RIFF");
const FourCc kWave = MakeFourCc("WAVE");
const FourCc kFmt = MakeFourCc("fmt ");
const FourCc kData = MakeFourCc("data");

constexpr std::size_t kFormatSize = sizeof(PcmWaveFormat);
constexpr std::size_t kWaxHeaderSize = 44;
// The largest file a RIFF header can describe: an 8-byte header and a 32-bit size.
constexpr std::uint64_t kMaxRiffFileSize = kChunkHeaderSize + 0xFFFFFFFFull;

LoadStatus StatusOf(SearchOutcome outcome, LoadStatus notFound) {
    return outcome == SearchOutcome::CutOff ? LoadStatus::Malformed : notFound;
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

// Codes hold half the bytes of the samples they stand for; the doubling wraps as the
// fields' own width does.
PcmWaveFormat DoubledFormat(PcmWaveFormat format) {
    format.avgBytesPerSec *= 2;
    format.blockAlign = static_cast<std::uint16_t>(format.blockAlign * 2);
    format.bitsPerSample = static_cast<std::uint16_t>(format.bitsPerSample * 2);
    return format;
}

PcmWaveFormat HalvedFormat(PcmWaveFormat format) {
    format.avgBytesPerSec /= 2;
    format.blockAlign = static_cast<std::uint16_t>(format.blockAlign / 2);
    format.bitsPerSample = static_cast<std::uint16_t>(format.bitsPerSample / 2);
    return format;
}

}  // namespace

LoadResult ParseSoundFile(std::span<const std::uint8_t> file) {
    Chunk form;
    if (SearchOutcome found = FindRiffForm(file, kWave, form); found != SearchOutcome::Found) {
        return {StatusOf(found, LoadStatus::NotRiffWave), std::nullopt};
    }
    const std::size_t formEnd = SubChunksEnd(file, form);

    Chunk format;
    if (SearchOutcome found = FindChunk(file, SubChunksBegin(form), formEnd, kFmt, format);
        found != SearchOutcome::Found) {
        return {StatusOf(found, LoadStatus::NoFormatChunk), std::nullopt};
    }
    // Only the first 16 bytes count, but they must be there.
    if (format.size < kFormatSize || PresentBytes(file, format) < kFormatSize) {
        return {LoadStatus::NoFormatChunk, std::nullopt};
    }

    Chunk data;
    SearchOutcome dataFound =
        format.NextOffset() >= formEnd
            ? SearchOutcome::NotFound
            : FindChunk(file, static_cast<std::size_t>(format.NextOffset()), formEnd, kData, data);
    if (dataFound != SearchOutcome::Found) {
        return {StatusOf(dataFound, LoadStatus::NoDataChunk), std::nullopt};
    }
    // The sound ends where the file ends, whatever the chunk claims.
    const std::size_t codeCount = PresentBytes(file, data);
    if (codeCount * sizeof(std::int16_t) > std::numeric_limits<std::uint32_t>::max()) {
        return {LoadStatus::Malformed, std::nullopt};
    }

    try {
        LoadResult result{LoadStatus::Loaded,
                          Sound(DoubledFormat(ReadFormat(file, format.dataOffset)), codeCount)};
        DecodeMuLaw(file.subspan(data.dataOffset, codeCount), result.sound->Samples());
        return result;
    } catch (const std::bad_alloc&) {
        return {LoadStatus::OutOfMemory, std::nullopt};
    }
}

LoadResult LoadSoundFile(zav::platform::FileSystem& files, std::string_view hostPath) {
    std::vector<std::uint8_t> bytes;
    try {
        if (!files.ReadFile(hostPath, kMaxRiffFileSize, bytes).Ok()) {
            return {LoadStatus::CannotOpen, std::nullopt};
        }
    } catch (const std::bad_alloc&) {
        return {LoadStatus::OutOfMemory, std::nullopt};
    }
    return ParseSoundFile(bytes);
}

std::string_view DescribeLoadStatus(LoadStatus status) {
    switch (status) {
        case LoadStatus::Loaded:
            return "loaded";
        case LoadStatus::CannotOpen:
            return "cannot be opened";
        case LoadStatus::NotRiffWave:
            return "not a RIFF WAVE file";
        case LoadStatus::NoFormatChunk:
            return "no usable \"fmt \" chunk";
        case LoadStatus::NoDataChunk:
            return "no \"data\" chunk after the \"fmt \" chunk";
        case LoadStatus::Malformed:
            return "a chunk is cut off or too large";
        case LoadStatus::OutOfMemory:
            return "not enough memory";
    }
    return "unknown failure";
}

std::vector<std::uint8_t> BuildWaxHeader(const PcmWaveFormat& format, std::uint32_t codeCount) {
    const PcmWaveFormat halved = HalvedFormat(format);
    std::vector<std::uint8_t> header;
    header.reserve(kWaxHeaderSize);
    zav::platform::LeWriter(header)
        .Code(kRiff)
        .U32(codeCount + static_cast<std::uint32_t>(kWaxHeaderSize - kChunkHeaderSize))
        .Code(kWave)
        .Code(kFmt)
        .U32(static_cast<std::uint32_t>(kFormatSize))
        .U16(halved.formatTag)
        .U16(halved.channels)
        .U32(halved.samplesPerSec)
        .U32(halved.avgBytesPerSec)
        .U16(halved.blockAlign)
        .U16(halved.bitsPerSample)
        .Code(kData)
        .U32(codeCount);
    return header;
}

std::optional<std::vector<std::uint8_t>> BuildWaxFile(const SoundHeader& header,
                                                      bool& outOfMemory) {
    outOfMemory = false;
    const std::size_t sampleCount = header.wave.bufferLength / sizeof(std::int16_t);
    if (sampleCount > std::numeric_limits<std::uint32_t>::max() - kWaxHeaderSize)
        return std::nullopt;
    const std::span<const std::int16_t> samples(
        reinterpret_cast<const std::int16_t*>(header.wave.data), sampleCount);
    std::vector<std::uint8_t> file;
    try {
        file = BuildWaxHeader(header.format, static_cast<std::uint32_t>(sampleCount));
        file.resize(kWaxHeaderSize + sampleCount);
    } catch (const std::bad_alloc&) {
        outOfMemory = true;
        return std::nullopt;
    }
    EncodeMuLaw(samples, std::span<std::uint8_t>(file).subspan(kWaxHeaderSize));
    return file;
}

WaxWriteResult WriteWaxFile(zav::platform::FileSystem& files, std::string_view hostPath,
                            const SoundHeader& header) {
    bool outOfMemory = false;
    const std::optional<std::vector<std::uint8_t>> file = BuildWaxFile(header, outOfMemory);
    if (!file)
        return outOfMemory ? WaxWriteResult::OutOfMemory : WaxWriteResult::Failed;
    const std::array<std::span<const std::uint8_t>, 1> pieces{*file};
    return files.ReplaceFile(hostPath, pieces).Ok() ? WaxWriteResult::Written
                                                    : WaxWriteResult::Failed;
}

}  // namespace keyvoice
