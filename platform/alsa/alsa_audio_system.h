#pragma once
// The audio system on ALSA: wave input and output on the system's default device and the
// sound cards' PCM devices, and the output-device hold on the default playback device.
// A sound server (PulseAudio, PipeWire) is reached through its ALSA plugins as the default
// device; it must answer before the first ALSA call of the process, because ALSA decides once
// per process what "default" means.
//
// The wave calls and their rules are the wave core's; callbacks come from the core's delivery
// thread, one at a time.
//
// Thread: as AudioSystem. Destroying it ends every device still open without callbacks.

#include "platform/alsa/alsa_error.h"
#include "platform/alsa/alsa_wave_devices.h"
#include "platform/audio/audio_system.h"
#include "platform/audio/wave_core.h"

namespace zav::platform::alsa {

class AlsaAudioSystem final : public AudioSystem {
  public:
    AlsaAudioSystem();
    AlsaAudioSystem(const AlsaAudioSystem&) = delete;
    AlsaAudioSystem& operator=(const AlsaAudioSystem&) = delete;

    WaveInApi& WaveIn() override { return core_.WaveIn(); }
    WaveOutApi& WaveOut() override { return core_.WaveOut(); }
    // Opens the default playback device and keeps it open, untouched, for the hold's life.
    // NoDriver when there is no playback device, Allocated when it is taken.
    MmResult CreateOutputHold(std::unique_ptr<OutputDeviceHold>& hold) override;

    // Whether there is any wave device, input or output. Each device list made here serves the
    // first device count of the program too, so that the dialog's own checks right after start
    // do not open every device a second time; later counts list afresh.
    bool AnyDeviceAnswers();

  private:
    AlsaErrorLog errors_;  // first: the devices record into it
    AlsaWaveDevices inputs_{PcmDirection::Capture, errors_};
    AlsaWaveDevices outputs_{PcmDirection::Playback, errors_};
    WaveCore core_{inputs_, outputs_};
};

}  // namespace zav::platform::alsa
