#include "platform/sim/wave_file_reader.h"

#include "platform/bytes/little_endian.h"

namespace zav::platform::sim {

namespace {

constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kFmtSize = 16;
constexpr std::uint16_t kPcmTag = 1;
constexpr std::uint16_t kMaxChannels = 8;

struct FmtChunk {
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
};

std::optional<FmtChunk> ParseFmt(std::span<const std::uint8_t> body, std::string& problem) {
    if (body.size() < kFmtSize) {
        problem = "fmt chunk too short";
        return std::nullopt;
    }
    FmtChunk fmt;
    const std::uint16_t tag = ReadLe16(body, 0);
    fmt.channels = ReadLe16(body, 2);
    fmt.sampleRate = ReadLe32(body, 4);
    fmt.blockAlign = ReadLe16(body, 12);
    fmt.bitsPerSample = ReadLe16(body, 14);
    if (tag != kPcmTag) {
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
    if (bytes.size() < 12 || !HasFourCc(bytes, 0, MakeFourCc("RIFF")) ||
        !HasFourCc(bytes, 8, MakeFourCc("WAVE"))) {
        problem = "not a RIFF WAVE file";
        return std::nullopt;
    }
    std::optional<FmtChunk> fmt;
    std::size_t offset = 12;
    while (bytes.size() - offset >= kChunkHeaderSize) {
        const bool isFmt = HasFourCc(bytes, offset, MakeFourCc("fmt "));
        const bool isData = HasFourCc(bytes, offset, MakeFourCc("data"));
        const std::uint32_t length = ReadLe32(bytes, offset + 4);
        const std::size_t bodyOffset = offset + kChunkHeaderSize;
        if (length > bytes.size() - bodyOffset) {
            problem = "chunk runs past the end of the file";
            return std::nullopt;
        }
        const std::span<const std::uint8_t> body = bytes.subspan(bodyOffset, length);
        if (isFmt) {
            fmt = ParseFmt(body, problem);
            if (!fmt)
                return std::nullopt;
        } else if (isData) {
            if (!fmt) {
                problem = "data chunk before fmt chunk";
                return std::nullopt;
            }
            PcmSamples pcm = DecodeData(*fmt, body);
            if (pcm.samples.empty()) {
                problem = "no samples";
                return std::nullopt;
            }
            return pcm;
        }
        // Chunks are padded to an even length.
        const std::size_t padded = static_cast<std::size_t>(length) + (length & 1u);
        if (padded >= bytes.size() - bodyOffset)
            break;
        offset = bodyOffset + padded;
    }
    problem = fmt ? "no data chunk" : "no fmt chunk";
    return std::nullopt;
}

}  // namespace zav::platform::sim
