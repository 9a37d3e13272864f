#pragma once
// The audio system on the host's own: wave input and output on the WinMM devices, and the
// output-device hold on DirectSound. The wave calls and their rules are the wave core's;
// callbacks come from the core's delivery thread, one at a time.
//
// Thread: as AudioSystem. Destroying it ends every device still open without callbacks.

#include "platform/audio/audio_system.h"
#include "platform/audio/wave_core.h"
#include "platform/winmm/winmm_wave_devices.h"

namespace zav::platform::winmm {

class WinmmAudioSystem final : public AudioSystem {
  public:
    WinmmAudioSystem();
    WinmmAudioSystem(const WinmmAudioSystem&) = delete;
    WinmmAudioSystem& operator=(const WinmmAudioSystem&) = delete;

    WaveInApi& WaveIn() override { return core_.WaveIn(); }
    WaveOutApi& WaveOut() override { return core_.WaveOut(); }
    // A DirectSound object on the default device, kept untouched for the hold's life.
    MmResult CreateOutputHold(std::unique_ptr<OutputDeviceHold>& hold) override;

  private:
    WinmmWaveDevices inputs_{WaveDirection::In};
    WinmmWaveDevices outputs_{WaveDirection::Out};
    WaveCore core_{inputs_, outputs_};
};

}  // namespace zav::platform::winmm
