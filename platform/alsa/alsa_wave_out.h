#pragma once
// Wave output on ALSA playback devices (see alsa_pcm_endpoint.h for the numbering and
// alsa_pcm_stream.h for the threads). The rules of wave_out.h hold.

#include "platform/alsa/alsa_pcm_endpoint.h"
#include "platform/audio/wave_out.h"

namespace zav::platform::alsa {

class AlsaWaveOut final : public WaveOutApi {
  public:
    explicit AlsaWaveOut(AlsaErrorLog& errors) : endpoint_(PcmDirection::Playback, errors) {}

    std::uint32_t GetNumDevs() override;
    MmResult GetDevCaps(std::uint32_t deviceId, WaveOutCaps& caps) override;
    MmResult Open(WaveOutHandle& handle, std::uint32_t deviceId, const PcmWaveFormat& format,
                  WaveOutCallback callback) override;
    MmResult PrepareHeader(WaveOutHandle handle, WaveHeader& header) override;
    MmResult UnprepareHeader(WaveOutHandle handle, WaveHeader& header) override;
    MmResult Write(WaveOutHandle handle, WaveHeader& header) override;
    MmResult GetPosition(WaveOutHandle handle, std::uint32_t& bytes) override;
    MmResult Reset(WaveOutHandle handle) override;
    MmResult Close(WaveOutHandle handle) override;
    MmResult GetErrorText(MmResult result, std::string& text) override;

  private:
    AlsaPcmEndpoint endpoint_;
};

}  // namespace zav::platform::alsa
