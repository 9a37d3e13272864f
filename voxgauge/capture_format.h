#pragma once
// The capture format as one decimal code, and the capture buffer length that follows from it.

#include <cstdint>

#include "platform/audio/wave_format.h"

namespace voxgauge {

// The code VoxGauge opens with: 22050 samples per second, 16 bits, 2 channels.
inline constexpr std::uint32_t kVoxGaugeFormatCode = 22116;

// Derives the format from a code, in unsigned arithmetic: the thousands give the rate (8 is
// 8000 Hz, otherwise the count of elevens times 11025), the last two digits the bits per
// sample, the hundreds and tens divided by 50 the channels (so 22116 has 2 channels). Block
// align stays 0 when the bits are not a multiple of 8.
zav::platform::PcmWaveFormat FormatFromCode(std::uint32_t code);

// Bytes per capture buffer: an eighth of a second when the byte rate is at least 32768, else
// 4096; rounded down to whole frames. 11024 for the code 22116.
std::uint32_t CaptureBufferLength(const zav::platform::PcmWaveFormat& format);

}  // namespace voxgauge
