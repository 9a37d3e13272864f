#pragma once
// The recorder running as a user meets it, on threads: a dialog thread of its own, the
// simulated card on its own thread (faster than real time), the simulated multimedia timer on
// its own, a mixer, and the store and files of an installed host product that outlive every
// dialog. Each dialog gets a fresh card, as each run of the program opens the devices anew (and
// the card's record of what it played starts empty). Every rule violation of the card, the
// mixer and the dispatcher lands in the ViolationLog.
//
// Thread: the test's thread for the members, except where noted.

#include <functional>
#include <memory>
#include <string_view>

#include "keyvoice/key_voice_dlg.h"
#include "platform/sim/mic_signal.h"
#include "platform/sim/mixer_sim.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/testing/dialog_thread.h"
#include "platform/testing/fake_dialog_runner.h"
#include "platform/testing/memory_file_system.h"
#include "platform/testing/memory_registry.h"
#include "platform/testing/recording_message_boxes.h"
#include "platform/testing/sim_multimedia_timer.h"
#include "tests/users/user_session.h"

namespace random_user {

inline constexpr std::string_view kKeyVoiceDataPath = "C:\\ZAV\\DATA\\";
inline constexpr std::string_view kKeyVoiceSysPath = "C:\\ZAV\\SYS";

class KeyVoiceRig {
  public:
    // Installs the host product (its paths and six built-in sounds) and starts the timer.
    explicit KeyVoiceRig(ViolationLog& violations);
    ~KeyVoiceRig();
    KeyVoiceRig(const KeyVoiceRig&) = delete;
    KeyVoiceRig& operator=(const KeyVoiceRig&) = delete;

    // A fresh card whose time runs speed times faster than real time, with voice on its
    // microphone, and a new dialog on it; true when the dialog runs.
    bool StartDialog(double speed, zav::platform::sim::MicSignal voice);
    // The window and the dialog go (on the dialog thread), then the card.
    void EndDialog();
    bool DialogRuns() const { return window_ != nullptr; }

    // Runs f on the dialog thread and waits for it.
    void On(const std::function<void()>& f);

    // Thread: dialog, while a dialog runs.
    keyvoice::CKeyVoiceDlg& Dialog() { return *dialog_; }
    zav::platform::sim::FakeDialog& Window() { return *window_; }
    zav::platform::sim::SimSoundCard& Card() { return *card_; }

    zav::platform::sim::SimMixer& Mixer() { return *mixer_; }
    zav::platform::sim::SimMultimediaTimer& Timer() { return timer_; }
    zav::platform::sim::MemoryRegistry& Store() { return store_; }
    zav::platform::sim::MemoryFileSystem& Files() { return files_; }
    zav::platform::sim::RecordingMessageBoxes& Boxes() { return boxes_; }
    zav::platform::sim::FakeDialogRunner& Runner() { return runner_; }

  private:
    void Install();

    ViolationLog& violations_;
    // First: the dialog thread outlives everything that posts to it.
    zav::platform::sim::DialogThread dialogThread_;
    std::unique_ptr<zav::platform::sim::SimMixer> mixer_;  // destroyed on the dialog thread
    zav::platform::sim::SimMultimediaTimer timer_;
    zav::platform::sim::MemoryRegistry store_;
    zav::platform::sim::MemoryFileSystem files_;
    zav::platform::sim::RecordingMessageBoxes boxes_;
    zav::platform::sim::FakeDialogRunner runner_{boxes_};
    std::unique_ptr<zav::platform::sim::SimSoundCard> card_;
    std::unique_ptr<keyvoice::CKeyVoiceDlg> dialog_;
    std::unique_ptr<zav::platform::sim::FakeDialog> window_;
};

}  // namespace random_user
