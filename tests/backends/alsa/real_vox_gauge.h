#pragma once
// VoxGauge's setup dialog on the real sound: the ALSA audio system and mixer, an in-memory
// store, a fake window, and a dialog thread of its own (ThreadedDialogRig). The test drives the
// dialog as the window backend would, always on the dialog thread, and waits for each step; a
// dialog thread that does not answer in time ends the test program with a message, as a hung
// dialog would.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/alsa/alsa_audio_system.h"
#include "platform/alsa/alsa_mixer.h"
#include "tests/support/threaded_dialog_rig.h"
#include "voxgauge/mic_env_record.h"
#include "voxgauge/mic_setup_dlg.h"

namespace alsa_test {

class RealVoxGauge : public zav::test::ThreadedDialogRig<voxgauge::CMicSetupDlg> {
  public:
    RealVoxGauge();
    // Destroys the window and the dialog on the dialog thread, then the devices.
    ~RealVoxGauge() { CloseDialog(); }

    // The window is created and initialised: true when the dialog runs.
    bool Open();
    // 100 ms of the level timer, then the gauge's value.
    int TickAndReadGauge();
    // The level the capture engine has published, read from the test's thread as the timer
    // would read it.
    std::uint32_t CaptureLevel() { return Dialog().Capture().GetLevel(); }
    int SliderPosition();
    bool SliderEnabled();
    // The user drags the volume slider to position.
    void MoveSlider(int position) {
        ThreadedDialogRig::MoveSlider(voxgauge::kIdcMicVolume, position);
    }
    void PressOk() { Click(zav::platform::kIdOk); }
    // The stored MicEnv value as records; nullopt when there is none.
    std::optional<std::vector<voxgauge::MicEnvRecord>> StoredMicEnv();

    zav::platform::alsa::AlsaMixer& Mixer() { return *mixer_; }

  private:
    std::unique_ptr<zav::platform::alsa::AlsaAudioSystem> audio_;
    std::unique_ptr<zav::platform::alsa::AlsaMixer> mixer_;
};

}  // namespace alsa_test
