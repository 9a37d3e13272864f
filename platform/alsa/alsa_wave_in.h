#pragma once
// Wave input on ALSA capture devices (see alsa_pcm_endpoint.h for the numbering and
// alsa_pcm_stream.h for the threads). The rules of wave_in.h hold.

#include "platform/alsa/alsa_wave_base.h"
#include "platform/audio/wave_in.h"

namespace zav::platform::alsa {

class AlsaWaveIn final : public AlsaWaveBase<WaveInApi, WaveInHandle, WaveInCaps, WaveInCallback> {
  public:
    explicit AlsaWaveIn(AlsaErrorLog& errors) : AlsaWaveBase(PcmDirection::Capture, errors) {}

    MmResult AddBuffer(WaveInHandle handle, WaveHeader& header) override;
    MmResult Start(WaveInHandle handle) override;
    MmResult Stop(WaveInHandle handle) override;
};

}  // namespace zav::platform::alsa
