#pragma once
// Which of the formats the wave core lets through a simulated device takes.

#include <cstdint>

#include "platform/audio/wave_format.h"

namespace zav::platform::sim {

// format passed IsWaveFormatUsable. The device takes it when it has that many channels (up to
// maxChannels) and, for a format with a standard bit (22.05 kHz mono 16-bit ...), when that bit
// is in its format mask.
bool SimDeviceTakesFormat(std::uint32_t formatMask, std::uint16_t maxChannels,
                          const PcmWaveFormat& format);

}  // namespace zav::platform::sim
