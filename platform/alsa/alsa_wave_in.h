#pragma once
// Wave input on ALSA capture devices (see alsa_pcm_endpoint.h for the numbering and
// alsa_pcm_stream.h for the threads). The rules of wave_in.h hold.

#include "platform/alsa/alsa_pcm_endpoint.h"
#include "platform/audio/wave_in.h"

namespace zav::platform::alsa {

class AlsaWaveIn final : public WaveInApi {
  public:
    explicit AlsaWaveIn(AlsaErrorLog& errors) : endpoint_(PcmDirection::Capture, errors) {}

    std::uint32_t GetNumDevs() override;
    MmResult GetDevCaps(std::uint32_t deviceId, WaveInCaps& caps) override;
    MmResult Open(WaveInHandle& handle, std::uint32_t deviceId, const PcmWaveFormat& format,
                  WaveInCallback callback) override;
    MmResult PrepareHeader(WaveInHandle handle, WaveHeader& header) override;
    MmResult UnprepareHeader(WaveInHandle handle, WaveHeader& header) override;
    MmResult AddBuffer(WaveInHandle handle, WaveHeader& header) override;
    MmResult Start(WaveInHandle handle) override;
    MmResult Stop(WaveInHandle handle) override;
    MmResult Reset(WaveInHandle handle) override;
    MmResult GetPosition(WaveInHandle handle, std::uint32_t& bytes) override;
    MmResult Close(WaveInHandle handle) override;
    MmResult GetErrorText(MmResult result, std::string& text) override;

  private:
    AlsaPcmEndpoint endpoint_;
};

}  // namespace zav::platform::alsa
