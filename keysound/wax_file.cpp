#include "keysound/wax_file.h"

#include <array>
#include <limits>
#include <new>

#include "keysound/mulaw_codec.h"
#include "platform/riff/wave_chunks.h"

namespace keyvoice {

using zav::platform::PcmWaveFormat;
using zav::platform::riff::BuildWaveHeader;
using zav::platform::riff::FindWaveChunks;
using zav::platform::riff::WaveChunks;
using zav::platform::riff::WaveSearch;

namespace {

constexpr std::size_t kWaxHeaderSize = zav::platform::riff::kWaveHeaderSize;

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
    WaveChunks chunks;
    switch (FindWaveChunks(file, chunks)) {
        case WaveSearch::Found:
            break;
        case WaveSearch::NotRiffWave:
            return {LoadStatus::NotRiffWave, std::nullopt};
        case WaveSearch::NoFormatChunk:
        case WaveSearch::ShortFormatChunk:
            return {LoadStatus::NoFormatChunk, std::nullopt};
        case WaveSearch::NoDataChunk:
            return {LoadStatus::NoDataChunk, std::nullopt};
        case WaveSearch::FormCutOff:
        case WaveSearch::Malformed:
            return {LoadStatus::Malformed, std::nullopt};
    }
    // The sound ends where the file ends, whatever the chunk claims.
    const std::size_t codeCount = chunks.data.size();
    if (codeCount * sizeof(std::int16_t) > std::numeric_limits<std::uint32_t>::max()) {
        return {LoadStatus::Malformed, std::nullopt};
    }

    try {
        LoadResult result{LoadStatus::Loaded, Sound(DoubledFormat(chunks.format), codeCount),
                          chunks.format};
        DecodeMuLaw(chunks.data, result.sound->Samples());
        return result;
    } catch (const std::bad_alloc&) {
        return {LoadStatus::OutOfMemory, std::nullopt};
    }
}

LoadResult LoadSoundFile(zav::platform::FileSystem& files, std::string_view hostPath) {
    std::vector<std::uint8_t> bytes;
    try {
        const zav::platform::FileStatus read = files.ReadFile(hostPath, kMaxSoundFileBytes, bytes);
        if (read.error == zav::platform::FileError::NotRegularFile)
            return {LoadStatus::NotRegularFile, std::nullopt};
        if (read.error == zav::platform::FileError::TooLarge)
            return {LoadStatus::TooLarge, std::nullopt};
        if (!read.Ok())
            return {LoadStatus::CannotOpen, std::nullopt};
    } catch (const std::bad_alloc&) {
        return {LoadStatus::OutOfMemory, std::nullopt};
    }
    return ParseSoundFile(bytes);
}

bool DeclaresWaxShape(const PcmWaveFormat& declared) {
    return declared.formatTag == zav::platform::kWaveFormatPcm && declared.bitsPerSample == 8;
}

std::string_view DescribeLoadStatus(LoadStatus status) {
    switch (status) {
        case LoadStatus::Loaded:
            return "loaded";
        case LoadStatus::CannotOpen:
            return "cannot be opened";
        case LoadStatus::NotRegularFile:
            return "not a regular file";
        case LoadStatus::TooLarge:
            return "too large for a key sound";
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
    return BuildWaveHeader(HalvedFormat(format), codeCount);
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
