#pragma once
// The wave devices of one direction on ALSA, as the wave core asks for them: the numbered
// device list (see alsa_pcm_devices.h: the system's default device first, which is also the
// wave mapper's choice), their capabilities, and opening one with a pump (alsa_pcm_pump.h).
//
// Thread: as WaveDevices says.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/alsa/alsa_error.h"
#include "platform/alsa/alsa_pcm_devices.h"
#include "platform/alsa/alsa_pcm_pump.h"
#include "platform/audio/wave_core.h"

namespace zav::platform::alsa {

class AlsaWaveDevices final : public WaveDevices {
  public:
    AlsaWaveDevices(PcmDirection direction, AlsaErrorLog& errors)
        : direction_(direction), errors_(errors) {}

    // Lists the devices afresh and gives their number; but the first count after
    // ListForFirstCount gives the number of that list (see AlsaAudioSystem::AnyDeviceAnswers).
    std::uint32_t CountDevices() override;
    // Lists the devices afresh, for the next CountDevices to use too, and gives their number.
    std::uint32_t ListForFirstCount();
    MmResult DeviceCaps(std::uint32_t deviceId, WaveDeviceCaps& caps) override;
    // WaveBadFormat for a format the device refuses, BadDeviceId without such a device; ALSA's
    // failures as the error log maps them.
    MmResult OpenDevice(std::uint32_t deviceId, const PcmWaveFormat& format, WaveStream& stream,
                        std::unique_ptr<WavePump>& pump) override;
    // The result's text with the detail the error log keeps.
    MmResult ErrorText(MmResult result, std::string& text) override;

  private:
    // The device with this number from the list made last (made now if there is none).
    bool FindDevice(std::uint32_t deviceId, AlsaPcmDevice& device);

    const PcmDirection direction_;
    AlsaErrorLog& errors_;
    std::mutex listMutex_;
    std::vector<AlsaPcmDevice> devices_;
    bool listed_ = false;
    bool countFromList_ = false;  // the next count uses devices_ as they are
};

}  // namespace zav::platform::alsa
