#include "platform/alsa/alsa_wave_out.h"

namespace zav::platform::alsa {

MmResult AlsaWaveOut::GetDevCaps(std::uint32_t deviceId, WaveOutCaps& caps) {
    const MmResult result = AlsaWaveBase::GetDevCaps(deviceId, caps);
    if (result == MmResult::NoError) {
        // Positions come from the device's own delay, to the sample.
        caps.support = kWaveCapsSampleAccurate;
    }
    return result;
}

MmResult AlsaWaveOut::Write(WaveOutHandle handle, WaveHeader& header) {
    return Queue(handle, header);
}

}  // namespace zav::platform::alsa
