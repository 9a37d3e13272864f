#pragma once
// The wave devices of one direction on WinMM, as the wave core asks for them: the system's own
// numbering (the system's mapper for kWaveMapper), their capabilities, and opening one with a
// pump (winmm_wave_pump.h).
//
// Thread: as WaveDevices says.

#include <cstdint>
#include <memory>

#include "platform/audio/wave_core.h"

namespace zav::platform::winmm {

class WinmmWaveDevices final : public WaveDevices {
  public:
    explicit WinmmWaveDevices(WaveDirection direction) : direction_(direction) {}

    std::uint32_t CountDevices() override;
    // BadDeviceId beyond the list, as the system answers.
    MmResult DeviceCaps(std::uint32_t deviceId, WaveDeviceCaps& caps) override;
    // format has passed the core's check; WaveBadFormat when the device refuses it, otherwise
    // the system's result.
    MmResult OpenDevice(std::uint32_t deviceId, const PcmWaveFormat& format, WaveStream& stream,
                        std::unique_ptr<WavePump>& pump) override;

  private:
    const WaveDirection direction_;
};

}  // namespace zav::platform::winmm
