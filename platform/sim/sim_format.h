#pragma once
// Which PCM formats a simulated device takes.

#include <cstdint>

#include "platform/audio/wave_format.h"

namespace zav::platform::sim {

// PCM of 8 or 16 bits, 1 to maxChannels channels, 8000 to 48000 samples per second, with a
// consistent block align and byte rate; a format that has a standard bit (22.05 kHz mono
// 16-bit ...) must also have it in the device's format mask.
bool SimDeviceTakesFormat(std::uint32_t formatMask, std::uint16_t maxChannels,
                          const PcmWaveFormat& format);

}  // namespace zav::platform::sim
