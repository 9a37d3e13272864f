#pragma once
// VoxGauge's setup dialog on the real sound: the ALSA audio system and mixer, an in-memory
// store, a fake window, and a dialog thread of its own. The test drives the dialog as the
// window backend would, always on the dialog thread, and waits for each step; a dialog thread
// that does not answer in time ends the test program with a message, as a hung dialog would.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/alsa/alsa_audio_system.h"
#include "platform/alsa/alsa_mixer.h"
#include "platform/testing/dialog_thread.h"
#include "platform/testing/fake_dialog_runner.h"
#include "platform/testing/memory_registry.h"
#include "platform/testing/recording_message_boxes.h"
#include "voxgauge/mic_env_record.h"
#include "voxgauge/mic_setup_dlg.h"

namespace alsa_test {

class RealVoxGauge {
  public:
    RealVoxGauge();
    // Destroys the window and the dialog on the dialog thread, then the devices.
    ~RealVoxGauge();
    RealVoxGauge(const RealVoxGauge&) = delete;
    RealVoxGauge& operator=(const RealVoxGauge&) = delete;

    // Runs task on the dialog thread and waits for it, at most limit.
    void OnDialog(const std::function<void()>& task,
                  std::chrono::milliseconds limit = std::chrono::seconds(10));

    // The window is created and initialised: true when the dialog runs.
    bool Open();
    // 100 ms of the level timer, then the gauge's value.
    int TickAndReadGauge();
    // The level the capture engine has published, read from the test's thread as the timer
    // would read it.
    std::uint32_t CaptureLevel() const;
    int SliderPosition();
    bool SliderEnabled();
    // The user drags the volume slider to position.
    void MoveSlider(int position);
    void PressOk();
    std::optional<int> EndResult();
    std::vector<zav::platform::sim::ShownMessage> Messages();
    // The stored MicEnv value as records; nullopt when there is none.
    std::optional<std::vector<voxgauge::MicEnvRecord>> StoredMicEnv();

    zav::platform::alsa::AlsaMixer& Mixer() { return *mixer_; }

  private:
    zav::platform::sim::DialogThread dialogThread_;  // first: it outlives everything below
    std::unique_ptr<zav::platform::alsa::AlsaAudioSystem> audio_;
    std::unique_ptr<zav::platform::alsa::AlsaMixer> mixer_;
    zav::platform::sim::MemoryRegistry store_;
    zav::platform::sim::RecordingMessageBoxes boxes_;
    zav::platform::sim::FakeDialogRunner runner_{boxes_};
    std::unique_ptr<voxgauge::CMicSetupDlg> dialog_;
    std::unique_ptr<zav::platform::sim::FakeDialog> window_;
};

}  // namespace alsa_test
