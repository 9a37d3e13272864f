#pragma once
// KeyVoice's recorder dialog on the real sound: the ALSA audio system and mixer, the real
// multimedia timer, a demo installation (made by zavtool's own command) in a temporary folder
// with its store in memory, a fake window, and a dialog thread of its own (ThreadedDialogRig).
// The test drives the dialog as the window backend would, always on the dialog thread; a dialog
// thread that does not answer in time ends the test program with a message, as a hung dialog
// would.

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "keyvoice/key_voice_dlg.h"
#include "platform/alsa/alsa_audio_system.h"
#include "platform/alsa/alsa_mixer.h"
#include "platform/posix/posix_file_system.h"
#include "platform/timer/thread_timer.h"
#include "tests/support/threaded_dialog_rig.h"

namespace alsa_test {

class RealKeyVoice : public zav::test::ThreadedDialogRig<keyvoice::CKeyVoiceDlg> {
  public:
    // folder: where the demo installation goes (it must exist).
    explicit RealKeyVoice(std::filesystem::path folder);
    // Destroys the window and the dialog on the dialog thread, then the devices.
    ~RealKeyVoice() { CloseDialog(); }

    // The window is created and initialised: true when the dialog runs.
    bool Open();
    bool Enabled(int id);
    keyvoice::KeyState StateOfCurrentKey();
    int MeterLevel();
    int SliderPosition(int id);
    std::optional<std::string> Value(std::string_view name);
    // Waits until the selected key is idle again; false after limit.
    bool WaitUntilIdle(std::chrono::milliseconds limit);

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path SysFolder() const { return folder_ / "sys"; }
    zav::platform::alsa::AlsaMixer& Mixer() { return *mixer_; }

  private:
    std::filesystem::path folder_;
    std::unique_ptr<zav::platform::alsa::AlsaAudioSystem> audio_;
    std::unique_ptr<zav::platform::alsa::AlsaMixer> mixer_;
    zav::platform::ThreadTimer timer_;
    zav::platform::PosixFileSystem files_;
};

}  // namespace alsa_test
