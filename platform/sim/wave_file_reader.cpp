#include "platform/sim/wave_file_reader.h"

#include "platform/bytes/little_endian.h"
#include "platform/riff/wave_chunks.h"

namespace zav::platform::sim {

namespace {

constexpr std::uint16_t kMaxChannels = 8;

struct FmtChunk {
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
};

std::optional<FmtChunk> CheckFmt(const PcmWaveFormat& format, std::string& problem) {
    FmtChunk fmt;
    fmt.channels = format.channels;
    fmt.sampleRate = format.samplesPerSec;
    fmt.blockAlign = format.blockAlign;
    fmt.bitsPerSample = format.bitsPerSample;
    if (format.formatTag != kWaveFormatPcm) {
        problem = "not PCM";
    } else if (fmt.channels == 0 || fmt.channels > kMaxChannels) {
        problem = "unsupported channel count";
    } else if (fmt.sampleRate == 0) {
        problem = "sample rate is 0";
    } else if (fmt.bitsPerSample != 8 && fmt.bitsPerSample != 16) {
        problem = "only 8- and 16-bit samples are supported";
    } else if (fmt.blockAlign != fmt.channels * fmt.bitsPerSample / 8) {
        problem = "block align does not match channels and bits";
    } else {
        return fmt;
    }
    return std::nullopt;
}

PcmSamples DecodeData(const FmtChunk& fmt, std::span<const std::uint8_t> body) {
    PcmSamples pcm;
    pcm.sampleRate = fmt.sampleRate;
    pcm.channels = fmt.channels;
    const std::size_t frames = body.size() / fmt.blockAlign;
    const std::size_t count = frames * fmt.channels;
    pcm.samples.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (fmt.bitsPerSample == 16) {
            pcm.samples[i] = static_cast<std::int16_t>(ReadLe16(body, i * 2));
        } else {
            // 8-bit WAVE samples are unsigned around 128.
            pcm.samples[i] = static_cast<std::int16_t>((body[i] - 128) * 256);
        }
    }
    return pcm;
}

}  // namespace

std::optional<PcmSamples> ReadWaveFile(std::span<const std::uint8_t> bytes, std::string& problem) {
    riff::WaveChunks chunks;
    switch (riff::FindWaveChunks(bytes, chunks)) {
        case riff::WaveSearch::Found:
            break;
        case riff::WaveSearch::NotRiffWave:
        case riff::WaveSearch::FormCutOff:
            problem = "not a RIFF WAVE file";
            return std::nullopt;
        case riff::WaveSearch::NoFormatChunk:
            problem =
                riff::HasDataChunkAnywhere(bytes) ? "data chunk before fmt chunk" : "no fmt chunk";
            return std::nullopt;
        case riff::WaveSearch::ShortFormatChunk:
            problem = "fmt chunk too short";
            return std::nullopt;
        case riff::WaveSearch::NoDataChunk:
            problem =
                riff::HasDataChunkAnywhere(bytes) ? "data chunk before fmt chunk" : "no data chunk";
            return std::nullopt;
        case riff::WaveSearch::Malformed:
            problem = "a chunk header is cut off by the end of the file";
            return std::nullopt;
    }
    const std::optional<FmtChunk> fmt = CheckFmt(chunks.format, problem);
    if (!fmt)
        return std::nullopt;
    PcmSamples pcm = DecodeData(*fmt, chunks.data);
    if (pcm.samples.empty()) {
        problem = "no samples";
        return std::nullopt;
    }
    return pcm;
}

}  // namespace zav::platform::sim
