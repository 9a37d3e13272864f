#pragma once
// The microphone setup dialog running as a user meets it, on threads: a dialog thread of its
// own, the simulated card on its own thread (faster than real time) with a voice on its
// microphone, and one of two mixers that outlive every dialog: one whose microphone has a volume
// fader, one whose microphone has none. The store outlives every dialog too. Each dialog gets a
// fresh card, as each run of the program opens the devices anew. Every rule violation of the
// card, the mixers and the dispatcher lands in the ViolationLog.
//
// Thread: the test's thread for the members, except where noted.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/registry/registry.h"
#include "platform/sim/mic_signal.h"
#include "platform/sim/mixer_sim.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/testing/dialog_thread.h"
#include "platform/testing/fake_dialog_runner.h"
#include "platform/testing/memory_registry.h"
#include "platform/testing/recording_message_boxes.h"
#include "tests/users/user_session.h"
#include "voxgauge/mic_setup_dlg.h"

namespace random_user {

// The recording microphone's volume fader, on the mixer that has one. It moves in steps of
// kMicVolumeStep, so the mixer's answer to a slider move often differs from the move.
inline constexpr std::uint32_t kMicVolumeControl = 222;
inline constexpr std::uint32_t kMicVolumeStep = 256;

// Both mixers: speakers with a microphone source, and a recording side whose own controls are a
// stereo volume and a three-item multiplexer, with a line input before the microphone; the
// microphone has a mute switch, the fader (withFader only) and a boost switch.
zav::platform::sim::MixerTopology VoxGaugeMixer(bool withFader);

class VoxGaugeRig {
  public:
    explicit VoxGaugeRig(ViolationLog& violations);
    ~VoxGaugeRig();
    VoxGaugeRig(const VoxGaugeRig&) = delete;
    VoxGaugeRig& operator=(const VoxGaugeRig&) = delete;

    // A fresh card whose time runs speed times faster than real time, with voice on its
    // microphone, and a new dialog on it and on one of the mixers; true when the dialog runs.
    bool StartDialog(bool withFader, double speed, zav::platform::sim::MicSignal voice);
    // The window and the dialog go (on the dialog thread), then the card.
    void EndDialog();

    // Runs f on the dialog thread and waits for it.
    void On(const std::function<void()>& f);

    // Thread: dialog, while a dialog runs.
    voxgauge::CMicSetupDlg& Dialog() { return *dialog_; }
    zav::platform::sim::FakeDialog& Window() { return *window_; }
    zav::platform::sim::SimSoundCard& Card() { return *card_; }

    // The mixer of the dialog running now (or last run), and its description.
    bool WithFader() const { return withFader_; }
    zav::platform::sim::SimMixer& Mixer() { return *mixers_[withFader_ ? 1 : 0]; }
    const zav::platform::sim::MixerTopology& Topology() const {
        return topologies_[withFader_ ? 1 : 0];
    }
    std::size_t OpenMixerHandles() const;

    // The MicEnv value as stored now; nothing when it is missing.
    std::optional<zav::platform::RegistryValue> StoredMicEnv();

    zav::platform::sim::RecordingMessageBoxes& Boxes() { return boxes_; }
    zav::platform::sim::FakeDialogRunner& Runner() { return runner_; }

  private:
    ViolationLog& violations_;
    // First: the dialog thread outlives everything that posts to it.
    zav::platform::sim::DialogThread dialogThread_;
    const std::array<zav::platform::sim::MixerTopology, 2> topologies_;  // without, with fader
    std::array<std::unique_ptr<zav::platform::sim::SimMixer>, 2> mixers_;
    bool withFader_ = true;
    zav::platform::sim::MemoryRegistry store_;
    zav::platform::sim::RecordingMessageBoxes boxes_;
    zav::platform::sim::FakeDialogRunner runner_{boxes_};
    std::unique_ptr<zav::platform::sim::SimSoundCard> card_;
    std::unique_ptr<voxgauge::CMicSetupDlg> dialog_;
    std::unique_ptr<zav::platform::sim::FakeDialog> window_;
};

}  // namespace random_user
