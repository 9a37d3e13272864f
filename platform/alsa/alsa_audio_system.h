#pragma once
// The audio system on ALSA: wave input and output on the system's default device and the
// sound cards' PCM devices, and the output-device hold on the default playback device.
// A sound server (PulseAudio, PipeWire) is reached through its ALSA plugins as the default
// device; it must answer before the first ALSA call of the process, because ALSA decides once
// per process what "default" means.
//
// Thread: as AudioSystem. Destroying it ends every device still open without callbacks.

#include "platform/alsa/alsa_error.h"
#include "platform/alsa/alsa_wave_in.h"
#include "platform/alsa/alsa_wave_out.h"
#include "platform/audio/audio_system.h"

namespace zav::platform::alsa {

class AlsaAudioSystem final : public AudioSystem {
  public:
    AlsaAudioSystem() = default;
    AlsaAudioSystem(const AlsaAudioSystem&) = delete;
    AlsaAudioSystem& operator=(const AlsaAudioSystem&) = delete;

    WaveInApi& waveIn() override { return waveIn_; }
    WaveOutApi& waveOut() override { return waveOut_; }
    // Opens the default playback device and keeps it open, untouched, for the hold's life.
    // NoDriver when there is no playback device, Allocated when it is taken.
    MmResult CreateOutputHold(std::unique_ptr<OutputDeviceHold>& hold) override;

  private:
    AlsaErrorLog errors_;  // first: the devices record into it
    AlsaWaveIn waveIn_{errors_};
    AlsaWaveOut waveOut_{errors_};
};

}  // namespace zav::platform::alsa
