#include "tools/zavtool/pcm_wave.h"

#include <limits>

#include "keyvoice/riff_chunks.h"
#include "platform/bytes/little_endian.h"

namespace zavtool {

using keyvoice::Chunk;
using keyvoice::SearchOutcome;
using zav::platform::MakeFourCc;
using zav::platform::ReadLe16;
using zav::platform::ReadLe32;

namespace {

constexpr std::size_t kFormatSize = sizeof(zav::platform::PcmWaveFormat);
constexpr std::uint32_t kHeaderSize = 44;

}  // namespace

std::optional<PcmWave> ReadPcmWave(std::span<const std::uint8_t> bytes, std::string& problem) {
    Chunk form;
    if (keyvoice::FindRiffForm(bytes, MakeFourCc("WAVE"), form) != SearchOutcome::Found) {
        problem = "not a RIFF WAVE file";
        return std::nullopt;
    }
    const std::size_t end = keyvoice::SubChunksEnd(bytes, form);
    Chunk format;
    if (keyvoice::FindChunk(bytes, keyvoice::SubChunksBegin(form), end, MakeFourCc("fmt "),
                            format) != SearchOutcome::Found ||
        format.size < kFormatSize || keyvoice::PresentBytes(bytes, format) < kFormatSize) {
        problem = "no format chunk";
        return std::nullopt;
    }
    PcmWave wave;
    const std::size_t at = format.dataOffset;
    wave.format = {ReadLe16(bytes, at),     ReadLe16(bytes, at + 2),  ReadLe32(bytes, at + 4),
                   ReadLe32(bytes, at + 8), ReadLe16(bytes, at + 12), ReadLe16(bytes, at + 14)};
    if (wave.format.formatTag != zav::platform::kWaveFormatPcm || wave.format.bitsPerSample != 16) {
        problem = "not 16-bit PCM";
        return std::nullopt;
    }
    if (wave.format.channels != 1) {
        problem = "not mono";
        return std::nullopt;
    }
    Chunk data;
    if (keyvoice::FindChunk(bytes, keyvoice::SubChunksBegin(form), end, MakeFourCc("data"), data) !=
        SearchOutcome::Found) {
        problem = "no data chunk";
        return std::nullopt;
    }
    const std::size_t present = keyvoice::PresentBytes(bytes, data);
    if (present < data.size) {
        problem = "data chunk cut off by the end of the file";
        return std::nullopt;
    }
    wave.samples.resize(present / sizeof(std::int16_t));
    for (std::size_t i = 0; i < wave.samples.size(); ++i) {
        wave.samples[i] = static_cast<std::int16_t>(ReadLe16(bytes, data.dataOffset + 2 * i));
    }
    return wave;
}

std::vector<std::uint8_t> BuildPcmWave(const zav::platform::PcmWaveFormat& format,
                                       std::span<const std::int16_t> samples) {
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * sizeof(std::int16_t));
    std::vector<std::uint8_t> file;
    file.reserve(kHeaderSize + dataSize);
    zav::platform::LeWriter(file)
        .Code(MakeFourCc("RIFF"))
        .U32(kHeaderSize - 8 + dataSize)
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
        .U32(dataSize);
    zav::platform::LeWriter writer(file);
    for (std::int16_t sample : samples)
        writer.U16(static_cast<std::uint16_t>(sample));
    return file;
}

}  // namespace zavtool
