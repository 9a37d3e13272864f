#pragma once
// The one QApplication of the widget tests, made before the first test and gone after the last.
// Helpers that wait inside the event loop for something the GUI thread will do or run a test's
// part in a running dialog, and both programs on the simulated card.

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "keyvoice/key_voice_app.h"
#include "platform/hardware/audio_backend_list.h"
#include "platform/posix/posix_file_system.h"
#include "platform/qt/qt_dialog_runner.h"
#include "platform/qt/qt_dialog_window.h"
#include "platform/qt/qt_dispatcher.h"
#include "platform/sim/demo_mixer.h"
#include "platform/sim/mic_signal.h"
#include "platform/sim/mixer_sim.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/testing/memory_registry.h"
#include "platform/timer/thread_timer.h"
#include "tests/platform/registry/temp_folder.h"
#include "voxgauge/vox_gauge_app.h"

namespace qt_test {

// Runs the event loop until done() or timeoutMs; true when done() became true.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);

// Runs body once window's modal loop runs and the window is active; then cancels the dialog if
// body (also on a failed assertion) left it open, so that a test never hangs.
void WhenActive(zav::platform::qt::QtDialogWindow& window, std::function<void()> body);
// Runs dialog with handler on a runner of its own, and body in it once it is active (see
// WhenActive); returns the dialog's result.
int RunWhenActive(const zav::platform::DialogTemplate& dialog,
                  zav::platform::DialogHandler& handler,
                  std::function<void(zav::platform::qt::QtDialogWindow&)> body);

// Saves a picture of widget as name in the screenshot folder, for a person to look at.
void SaveScreenshot(QWidget& widget, const QString& name);

// A voice at this peak reads as level 10 on VoxGauge's gauge.
inline constexpr std::int16_t kVoicePeak = 1800;
inline constexpr int kVoiceLevel = 10;

// VoxGauge on the simulated card (config; a rule the card sees broken fails the test), whose
// clock the test moves (DriveCardClock), with the demo mixer, a store in memory and Qt dialogs.
struct SimVoxGauge {
    explicit SimVoxGauge(zav::platform::sim::SimCardConfig config);
    std::optional<zav::platform::RegistryValue> StoredMicEnv();

    zav::platform::qt::QtDispatcher dispatcher;
    zav::platform::sim::SimSoundCard card;
    zav::platform::sim::SimMixer mixer{zav::platform::sim::DemoMixerTopology(), dispatcher};
    zav::platform::sim::MemoryRegistry store;
    zav::platform::qt::QtDialogRunner runner;
    voxgauge::CVoxGaugeApp app{{card, mixer, store, dispatcher, runner}};
};
// A card whose microphone speaks at kVoicePeak.
zav::platform::sim::SimCardConfig VoiceCard();
// Moves card's clock on by 10 ms every 10 ms of window's event loop, while window lives.
void DriveCardClock(zav::platform::qt::QtDialogWindow& window,
                    zav::platform::sim::SimSoundCard& card);

// KeyVoice as the program starts it: over a demo installation that zavtool made in a temporary
// folder (the store in memory, the files on disk), on the simulated card chosen as the program
// chooses its sound, with the real multimedia timer and the Qt dialogs. When the installation or
// the card cannot be had, the test fails and app stays empty.
struct DemoKeyVoice {
    DemoKeyVoice();
    zav::platform::sim::SimSoundCard& Card();

    TempFolder folder;
    zav::platform::sim::MemoryRegistry store;
    zav::platform::PosixFileSystem files;
    zav::platform::qt::QtDispatcher dispatcher;
    zav::platform::AudioSelection sound;
    zav::platform::ThreadTimer timer;
    zav::platform::qt::QtDialogRunner runner;
    std::unique_ptr<keyvoice::CKeyVoiceApp> app;
};

}  // namespace qt_test
