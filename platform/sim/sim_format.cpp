#include "platform/sim/sim_format.h"

#include "platform/audio/wave_caps.h"

namespace zav::platform::sim {

bool SimDeviceTakesFormat(std::uint32_t formatMask, std::uint16_t maxChannels,
                          const PcmWaveFormat& format) {
    if (format.channels > maxChannels)
        return false;
    const std::uint32_t bit =
        StandardFormatBit(format.samplesPerSec, format.channels, format.bitsPerSample);
    return bit == 0 || (formatMask & bit) != 0;
}

}  // namespace zav::platform::sim
