#pragma once
// The audio system of a machine without a sound card: no input or output device, and the
// output device cannot be held. A program gets it when no backend is available, so that it
// shows its own "no sound device" message rather than failing on its own.
//
// Thread: any; it holds no state.

#include "platform/audio/audio_system.h"

namespace zav::platform {

class NoAudioSystem final : public AudioSystem {
  public:
    WaveInApi& WaveIn() override { return waveIn_; }
    WaveOutApi& WaveOut() override { return waveOut_; }
    // NoDriver: there is no output device to hold.
    MmResult CreateOutputHold(std::unique_ptr<OutputDeviceHold>& hold) override;

  private:
    class NoWaveIn final : public WaveInApi {
      public:
        std::uint32_t GetNumDevs() override { return 0; }
        MmResult GetDevCaps(std::uint32_t, WaveInCaps&) override { return MmResult::BadDeviceId; }
        MmResult Open(WaveInHandle& handle, std::uint32_t, const PcmWaveFormat&,
                      WaveInCallback) override;
        MmResult PrepareHeader(WaveInHandle, WaveHeader&) override { return MmResult::InvalHandle; }
        MmResult UnprepareHeader(WaveInHandle, WaveHeader&) override {
            return MmResult::InvalHandle;
        }
        MmResult AddBuffer(WaveInHandle, WaveHeader&) override { return MmResult::InvalHandle; }
        MmResult Start(WaveInHandle) override { return MmResult::InvalHandle; }
        MmResult Stop(WaveInHandle) override { return MmResult::InvalHandle; }
        MmResult Reset(WaveInHandle) override { return MmResult::InvalHandle; }
        MmResult GetPosition(WaveInHandle, std::uint32_t&) override {
            return MmResult::InvalHandle;
        }
        MmResult Close(WaveInHandle) override { return MmResult::InvalHandle; }
        MmResult GetErrorText(MmResult result, std::string& text) override;
    };

    class NoWaveOut final : public WaveOutApi {
      public:
        std::uint32_t GetNumDevs() override { return 0; }
        MmResult GetDevCaps(std::uint32_t, WaveOutCaps&) override { return MmResult::BadDeviceId; }
        MmResult Open(WaveOutHandle& handle, std::uint32_t, const PcmWaveFormat&,
                      WaveOutCallback) override;
        MmResult PrepareHeader(WaveOutHandle, WaveHeader&) override {
            return MmResult::InvalHandle;
        }
        MmResult UnprepareHeader(WaveOutHandle, WaveHeader&) override {
            return MmResult::InvalHandle;
        }
        MmResult Write(WaveOutHandle, WaveHeader&) override { return MmResult::InvalHandle; }
        MmResult GetPosition(WaveOutHandle, std::uint32_t&) override {
            return MmResult::InvalHandle;
        }
        MmResult Reset(WaveOutHandle) override { return MmResult::InvalHandle; }
        MmResult Close(WaveOutHandle) override { return MmResult::InvalHandle; }
        MmResult GetErrorText(MmResult result, std::string& text) override;
    };

    NoWaveIn waveIn_;
    NoWaveOut waveOut_;
};

}  // namespace zav::platform
