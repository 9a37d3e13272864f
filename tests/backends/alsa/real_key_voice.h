#pragma once
// KeyVoice's recorder dialog on the real sound: the ALSA audio system and mixer, the real
// multimedia timer, a demo installation (made by zavtool's own command) in a temporary folder
// with its store in memory, a fake window, and a dialog thread of its own. The test drives the
// dialog as the window backend would, always on the dialog thread; a dialog thread that does
// not answer in time ends the test program with a message, as a hung dialog would.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "keyvoice/key_voice_dlg.h"
#include "platform/alsa/alsa_audio_system.h"
#include "platform/alsa/alsa_mixer.h"
#include "platform/posix/posix_file_system.h"
#include "platform/testing/dialog_thread.h"
#include "platform/testing/fake_dialog_runner.h"
#include "platform/testing/memory_registry.h"
#include "platform/testing/recording_message_boxes.h"
#include "platform/timer/thread_timer.h"

namespace alsa_test {

class RealKeyVoice {
  public:
    // folder: where the demo installation goes (it must exist).
    explicit RealKeyVoice(std::filesystem::path folder);
    // Destroys the window and the dialog on the dialog thread, then the devices.
    ~RealKeyVoice();
    RealKeyVoice(const RealKeyVoice&) = delete;
    RealKeyVoice& operator=(const RealKeyVoice&) = delete;

    // Runs task on the dialog thread and waits for it, at most limit.
    void OnDialog(const std::function<void()>& task,
                  std::chrono::milliseconds limit = std::chrono::seconds(10));

    // The window is created and initialised: true when the dialog runs.
    bool Open();
    bool Click(int id);
    bool PressEscape();
    bool Enabled(int id);
    keyvoice::KeyState StateOfCurrentKey();
    int MeterLevel();
    int SliderPosition(int id);
    // The user drags slider id to position.
    void MoveSlider(int id, int position);
    std::optional<int> EndResult();
    std::vector<zav::platform::sim::ShownMessage> Messages();
    std::optional<std::string> Value(std::string_view name);
    // Waits until the selected key is idle again; false after limit.
    bool WaitUntilIdle(std::chrono::milliseconds limit);

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path SysFolder() const { return folder_ / "sys"; }
    zav::platform::alsa::AlsaMixer& Mixer() { return *mixer_; }
    keyvoice::CKeyVoiceDlg& Dialog() { return *dialog_; }
    zav::platform::sim::MemoryRegistry& Store() { return store_; }

  private:
    std::filesystem::path folder_;
    zav::platform::sim::DialogThread dialogThread_;  // first: it outlives everything below
    std::unique_ptr<zav::platform::alsa::AlsaAudioSystem> audio_;
    std::unique_ptr<zav::platform::alsa::AlsaMixer> mixer_;
    zav::platform::ThreadTimer timer_;
    zav::platform::sim::MemoryRegistry store_;
    zav::platform::PosixFileSystem files_;
    zav::platform::sim::RecordingMessageBoxes boxes_;
    zav::platform::sim::FakeDialogRunner runner_{boxes_};
    std::unique_ptr<keyvoice::CKeyVoiceDlg> dialog_;
    std::unique_ptr<zav::platform::sim::FakeDialog> window_;
};

}  // namespace alsa_test
