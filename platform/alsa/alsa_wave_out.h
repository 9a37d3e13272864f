#pragma once
// Wave output on ALSA playback devices (see alsa_pcm_endpoint.h for the numbering and
// alsa_pcm_stream.h for the threads). The rules of wave_out.h hold.

#include "platform/alsa/alsa_wave_base.h"
#include "platform/audio/wave_out.h"

namespace zav::platform::alsa {

class AlsaWaveOut final
    : public AlsaWaveBase<WaveOutApi, WaveOutHandle, WaveOutCaps, WaveOutCallback> {
  public:
    explicit AlsaWaveOut(AlsaErrorLog& errors) : AlsaWaveBase(PcmDirection::Playback, errors) {}

    MmResult GetDevCaps(std::uint32_t deviceId, WaveOutCaps& caps) override;
    MmResult Write(WaveOutHandle handle, WaveHeader& header) override;
};

}  // namespace zav::platform::alsa
