#include "tools/zavtool/pcm_wave.h"

#include "platform/bytes/little_endian.h"
#include "platform/riff/wave_chunks.h"

namespace zavtool {

using zav::platform::ReadLe16;
using zav::platform::riff::WaveChunks;
using zav::platform::riff::WaveSearch;

std::optional<PcmWave> ReadPcmWave(std::span<const std::uint8_t> bytes, std::string& problem) {
    WaveChunks chunks;
    switch (zav::platform::riff::FindWaveChunks(bytes, chunks)) {
        case WaveSearch::Found:
            break;
        case WaveSearch::NotRiffWave:
        case WaveSearch::FormCutOff:
            problem = "not a RIFF WAVE file";
            return std::nullopt;
        case WaveSearch::Malformed:
            problem = "a chunk header is cut off by the end of the file";
            return std::nullopt;
        case WaveSearch::NoFormatChunk:
        case WaveSearch::ShortFormatChunk:
            problem = "no format chunk";
            return std::nullopt;
        case WaveSearch::NoDataChunk:
            problem = "no data chunk";
            return std::nullopt;
    }
    PcmWave wave;
    wave.format = chunks.format;
    if (wave.format.formatTag != zav::platform::kWaveFormatPcm || wave.format.bitsPerSample != 16) {
        problem = "not 16-bit PCM";
        return std::nullopt;
    }
    if (wave.format.channels != 1) {
        problem = "not mono";
        return std::nullopt;
    }
    // As for the stored key sounds, the sound ends where the file ends.
    wave.samples.resize(chunks.data.size() / sizeof(std::int16_t));
    for (std::size_t i = 0; i < wave.samples.size(); ++i)
        wave.samples[i] = static_cast<std::int16_t>(ReadLe16(chunks.data, 2 * i));
    return wave;
}

std::vector<std::uint8_t> BuildPcmWave(const zav::platform::PcmWaveFormat& format,
                                       std::span<const std::int16_t> samples) {
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * sizeof(std::int16_t));
    std::vector<std::uint8_t> file = zav::platform::riff::BuildWaveHeader(format, dataSize);
    file.reserve(file.size() + dataSize);
    zav::platform::LeWriter writer(file);
    for (std::int16_t sample : samples)
        writer.U16(static_cast<std::uint16_t>(sample));
    return file;
}

}  // namespace zavtool
