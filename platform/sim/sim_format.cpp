#include "platform/sim/sim_format.h"

#include "platform/audio/wave_caps.h"

namespace zav::platform::sim {

bool SimDeviceTakesFormat(std::uint32_t formatMask, std::uint16_t maxChannels,
                          const PcmWaveFormat& format) {
    constexpr std::uint32_t kMinRate = 8000;
    constexpr std::uint32_t kMaxRate = 48000;
    if (format.formatTag != kWaveFormatPcm)
        return false;
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16)
        return false;
    if (format.channels == 0 || format.channels > maxChannels)
        return false;
    if (format.samplesPerSec < kMinRate || format.samplesPerSec > kMaxRate)
        return false;
    if (format.blockAlign != format.channels * format.bitsPerSample / 8)
        return false;
    if (format.avgBytesPerSec != format.samplesPerSec * format.blockAlign)
        return false;
    const std::uint32_t bit =
        StandardFormatBit(format.samplesPerSec, format.channels, format.bitsPerSample);
    return bit == 0 || (formatMask & bit) != 0;
}

}  // namespace zav::platform::sim
