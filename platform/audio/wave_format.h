#pragma once
// The host's wave format and wave buffer records, as wave devices take them.

#include <cstdint>

namespace zav::platform {

inline constexpr std::uint16_t kWaveFormatPcm = 1;

// The host's PCMWAVEFORMAT: 16 bytes, the layout of a RIFF "fmt " chunk's first 16 bytes.
struct PcmWaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;

    friend bool operator==(const PcmWaveFormat&, const PcmWaveFormat&) = default;
};
static_assert(sizeof(PcmWaveFormat) == 16);

// The formats a wave device is asked for at all.
inline constexpr std::uint32_t kMinWaveRate = 1000;
inline constexpr std::uint32_t kMaxWaveRate = 192000;
inline constexpr std::uint16_t kMaxWaveChannels = 2;

// The host's rule for a wave format, checked by the wave core before any device sees it: PCM of
// 8 or 16 bits, 1 or 2 channels, kMinWaveRate to kMaxWaveRate samples per second, a block align
// of one frame (channels x bits / 8) and a byte rate of rate x block align. A wave device
// refuses anything else as a bad format.
constexpr bool IsWaveFormatUsable(const PcmWaveFormat& format) {
    if (format.formatTag != kWaveFormatPcm)
        return false;
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16)
        return false;
    if (format.channels == 0 || format.channels > kMaxWaveChannels)
        return false;
    if (format.samplesPerSec < kMinWaveRate || format.samplesPerSec > kMaxWaveRate)
        return false;
    const std::uint32_t frameBytes = format.channels * format.bitsPerSample / 8u;
    return format.blockAlign == frameBytes &&
           format.avgBytesPerSec == format.samplesPerSec * frameBytes;
}

// Flags of a wave buffer (the host's WHDR_* bits).
enum WaveHeaderFlag : std::uint32_t {
    kWaveHeaderDone = 0x01,
    kWaveHeaderPrepared = 0x02,
    kWaveHeaderBeginLoop = 0x04,
    kWaveHeaderEndLoop = 0x08,
    kWaveHeaderInQueue = 0x10,
};

// The host's WAVEHDR: one buffer handed to a wave device. It is 32 bytes where pointers are
// 32 bits wide; its two pointers and two pointer-sized fields grow with the pointer width.
struct WaveHeader {
    std::uint8_t* data = nullptr;
    std::uint32_t bufferLength = 0;   // bytes
    std::uint32_t bytesRecorded = 0;  // bytes filled by a wave-input device
    std::uintptr_t user = 0;
    std::uint32_t flags = 0;  // WaveHeaderFlag bits
    std::uint32_t loops = 0;
    WaveHeader* next = nullptr;
    std::uintptr_t reserved = 0;
};

}  // namespace zav::platform
