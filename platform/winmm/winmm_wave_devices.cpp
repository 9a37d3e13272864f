#include "platform/winmm/winmm_wave_devices.h"

#include <windows.h>

#include <mmsystem.h>

#include <optional>

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
    const std::optional<WAVEFORMATEX> host = ToWaveFormatEx(format);
    if (!host)
        return MmResult::WaveBadFormat;
    return WinmmWavePump::Open(stream, deviceId, *host, pump);
}

}  // namespace zav::platform::winmm
