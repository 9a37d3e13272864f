#include "platform/winmm/winmm_wave_devices.h"

#include <windows.h>

#include <mmsystem.h>

#include "platform/winmm/winmm_format.h"
#include "platform/winmm/winmm_wave_pump.h"

namespace zav::platform::winmm {

std::uint32_t WinmmWaveDevices::CountDevices() {
    return direction_ == WaveDirection::In ? ::waveInGetNumDevs() : ::waveOutGetNumDevs();
}

MmResult WinmmWaveDevices::DeviceCaps(std::uint32_t deviceId, WaveDeviceCaps& caps) {
    if (direction_ == WaveDirection::In) {
        WAVEINCAPSW host{};
        if (const MMRESULT asked = ::waveInGetDevCapsW(deviceId, &host, sizeof host);
            asked != MMSYSERR_NOERROR) {
            return ToMmResult(asked);
        }
        caps = FromHostCaps(host);
        return MmResult::NoError;
    }
    WAVEOUTCAPSW host{};
    if (const MMRESULT asked = ::waveOutGetDevCapsW(deviceId, &host, sizeof host);
        asked != MMSYSERR_NOERROR) {
        return ToMmResult(asked);
    }
    caps = FromHostCaps(host);
    return MmResult::NoError;
}

MmResult WinmmWaveDevices::OpenDevice(std::uint32_t deviceId, const PcmWaveFormat& format,
                                      WaveStream& stream, std::unique_ptr<WavePump>& pump) {
    // An id past the last device is answered here, as the system would: Wine's own answer to it
    // can hang when its device thread is starting again after the last device closed.
    if (deviceId != WAVE_MAPPER && deviceId >= CountDevices())
        return MmResult::BadDeviceId;
    return WinmmWavePump::Open(stream, deviceId, ToWaveFormatEx(format), pump);
}

}  // namespace zav::platform::winmm
