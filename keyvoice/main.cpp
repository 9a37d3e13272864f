// KeyVoice: the key sound recorder. Wires the recorder dialog to the real store and files, the
// multimedia timer, the sound the environment picks (the real sound by default, ZAV_AUDIO=sim
// for the simulated card) and the Qt windows.

#include <cstdio>
#include <iostream>
#include <optional>
#include <span>
#include <string_view>

#include "keyvoice/key_voice_app.h"
#include "packaging/program_info.h"
#include "platform/hardware/audio_backend_list.h"
#include "platform/posix/posix_file_system.h"
#include "platform/qt/program_start.h"
#include "platform/qt/qt_application.h"
#include "platform/sqlite/default_registry.h"
#include "platform/timer/thread_timer.h"

namespace {

constexpr std::string_view kHelp =
    "usage: keyvoice [--help | --version]\n"
    "\n"
    "Records your own key sounds for Zav: W and 1 to 5 play Zav's sounds, and 6, 7, 8, 9\n"
    "and 0 each hold a 2.00-second recording of your voice that you record, play and erase\n"
    "here; OK stores the new recordings for Zav. KeyVoice needs an installation of Zav\n"
    "(zavtool demo-install makes a sample one). The program takes no other arguments and\n"
    "ignores any it is given.\n"
    "\n"
    "Environment:\n"
    "  ZAV_AUDIO=sim             the simulated sound card instead of the machine's sound\n"
    "  ZAV_SIM_MIC=FILE.wav      what the simulated card's microphone hears\n"
    "  ZAV_SIM_SPEAKER=FILE.wav  keeps what the simulated card's speaker played\n"
    "  ZAV_REGISTRY=FILE         the store (by default ~/.local/share/zav/registry.sqlite)\n"
    "  DISPLAY                   the X display to show the window on; without one,\n"
    "                            QT_QPA_PLATFORM=offscreen runs the program without a screen\n"
    "\n"
    "See keyvoice(1), voxgauge(1) and zavtool(1).\n";

}  // namespace

int main(int argc, char** argv) {
    namespace platform = zav::platform;
    const platform::EnvironmentLookup environment = platform::ProcessEnvironment();
    const std::optional<int> endStatus = platform::qt::EndBeforeWindows(
        std::span<const char* const>(argv + 1, argv + argc),
        {"keyvoice", zav::packaging::kVersion, kHelp}, environment, std::cout, std::cerr);
    if (endStatus)
        return *endStatus;

    platform::qt::QtApplication application(argv[0],
                                            {"KeyVoice", zav::packaging::kKeyVoiceDesktopId});
    std::unique_ptr<platform::RegistryStore> store = platform::OpenDefaultRegistry();
    platform::PosixFileSystem files;
    platform::ThreadTimer timer;

    platform::AudioSelection sound =
        platform::ChooseAudioBackend(application.DialogDispatcher(), environment);
    if (!sound.bundle) {
        // Without a sound card the program explains it in its own message; a backend the user
        // named but that could not start is worth a line on the terminal as well.
        if (environment(platform::kAudioBackendVariable))
            std::fprintf(stderr, "keyvoice: %s\n", sound.problem.c_str());
        sound.bundle = platform::NoSoundBundle();
    }

    keyvoice::CKeyVoiceApp app({*sound.bundle.audio, *sound.bundle.mixer, timer, *store, files,
                                application.DialogDispatcher(), application.Runner()});
    app.InitInstance();
    return 0;
}
