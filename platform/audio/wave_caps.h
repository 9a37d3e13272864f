#pragma once
// Device numbers, capability records and the standard format bits of wave devices.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zav::platform {

// Opens whichever device can handle the format (the host's WAVE_MAPPER).
inline constexpr std::uint32_t kWaveMapper = 0xFFFFFFFF;

// The standard formats a device reports in its capability record (the host's WAVE_FORMAT_*
// bits): rate 1 = 11.025 kHz, 2 = 22.05 kHz, 4 = 44.1 kHz; M/S mono/stereo; 08/16 bits.
enum WaveFormatBit : std::uint32_t {
    kWaveFormat1M08 = 0x001,
    kWaveFormat1S08 = 0x002,
    kWaveFormat1M16 = 0x004,
    kWaveFormat1S16 = 0x008,
    kWaveFormat2M08 = 0x010,
    kWaveFormat2S08 = 0x020,
    kWaveFormat2M16 = 0x040,
    kWaveFormat2S16 = 0x080,
    kWaveFormat4M08 = 0x100,
    kWaveFormat4S08 = 0x200,
    kWaveFormat4M16 = 0x400,
    kWaveFormat4S16 = 0x800,
};
inline constexpr std::uint32_t kAllStandardFormats = 0xFFF;

// The bit for a standard format, or 0 when the combination has none (e.g. 8000 Hz).
constexpr std::uint32_t StandardFormatBit(std::uint32_t samplesPerSec, std::uint16_t channels,
                                          std::uint16_t bitsPerSample) {
    std::uint32_t rateShift = 0;
    switch (samplesPerSec) {
        case 11025:
            rateShift = 0;
            break;
        case 22050:
            rateShift = 4;
            break;
        case 44100:
            rateShift = 8;
            break;
        default:
            return 0;
    }
    if ((channels != 1 && channels != 2) || (bitsPerSample != 8 && bitsPerSample != 16)) {
        return 0;
    }
    const std::uint32_t within = (channels == 2 ? 1u : 0u) + (bitsPerSample == 16 ? 2u : 0u);
    return 1u << (rateShift + within);
}
static_assert(StandardFormatBit(22050, 1, 16) == kWaveFormat2M16);
static_assert(StandardFormatBit(22050, 2, 16) == kWaveFormat2S16);
static_assert(StandardFormatBit(44100, 2, 8) == kWaveFormat4S08);

// Product names are at most 31 characters, as the host's 32-character field holds them.
inline constexpr std::size_t kMaxProductNameLength = 31;

// What the host's wave-input capability call reports.
struct WaveInCaps {
    std::uint16_t manufacturerId = 0;
    std::uint16_t productId = 0;
    std::uint32_t driverVersion = 0;
    std::string productName;
    std::uint32_t formats = 0;  // WaveFormatBit bits
    std::uint16_t channels = 0;

    friend bool operator==(const WaveInCaps&, const WaveInCaps&) = default;
};

// Optional abilities of an output device (the host's WAVECAPS_* bits).
enum WaveOutSupportBit : std::uint32_t {
    kWaveCapsPitch = 0x01,
    kWaveCapsPlaybackRate = 0x02,
    kWaveCapsVolume = 0x04,
    kWaveCapsLrVolume = 0x08,
    kWaveCapsSync = 0x10,
    kWaveCapsSampleAccurate = 0x20,
};

// What the host's wave-output capability call reports.
struct WaveOutCaps {
    std::uint16_t manufacturerId = 0;
    std::uint16_t productId = 0;
    std::uint32_t driverVersion = 0;
    std::string productName;
    std::uint32_t formats = 0;  // WaveFormatBit bits
    std::uint16_t channels = 0;
    std::uint32_t support = 0;  // WaveOutSupportBit bits

    friend bool operator==(const WaveOutCaps&, const WaveOutCaps&) = default;
};

}  // namespace zav::platform
