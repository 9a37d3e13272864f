// VoxGauge for Windows: the microphone level check. Wires the setup dialog to the host's
// registry, the sound the environment picks (the machine's sound by default, ZAV_AUDIO=sim for
// the simulated card) and the host's own dialogs.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "packaging/program_info.h"
#include "platform/hardware/audio_backend_list.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32_dialogs/program_start.h"
#include "platform/win32_dialogs/win32_application.h"
#include "voxgauge/vox_gauge_app.h"

namespace {

constexpr std::string_view kHelp =
    "usage: voxgauge [--help | --version]\n"
    "\n"
    "Checks the microphone for Zav: a needle gauge follows your voice while a slider sets\n"
    "the microphone's recording volume, and OK stores the mixer's recording settings for\n"
    "Zav. The program takes no other arguments and ignores any it is given.\n"
    "\n"
    "The settings go to the system registry, under HKEY_LOCAL_MACHINE\\Software\\TAMBORI\\\n"
    "ZAV  - Blue Hollow -\\2.0, where Zav reads them.\n"
    "\n"
    "Environment:\n"
    "  ZAV_AUDIO=sim         the simulated sound card instead of the machine's sound\n"
    "  ZAV_SIM_MIC=FILE.wav  what the simulated card's microphone hears\n"
    "\n"
    "See keyvoice --help and zavtool --help.\n";

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    namespace platform = zav::platform;
    namespace win32 = zav::platform::win32;
    const std::vector<std::string> arguments = win32::CommandLineArguments();
    if (const auto answer =
            win32::CommandLineAnswer(arguments, {"voxgauge", zav::packaging::kVersion, kHelp})) {
        win32::TellUser(*answer, "VoxGauge");
        return 0;
    }

    const platform::EnvironmentLookup environment = platform::ProcessEnvironment();
    win32::Win32Application application;
    if (!application.Ready()) {
        win32::TellUser("voxgauge: the windows of this program could not be set up\n", "VoxGauge",
                        win32::Stream::Error);
        return 1;
    }
    win32::Win32Registry store;

    platform::AudioSelection sound =
        platform::ChooseAudioBackend(application.DialogDispatcher(), environment);
    if (!sound.bundle) {
        // Without a sound card the program explains it in its own message; a backend the user
        // named but that could not start is worth a line on the standard error as well.
        if (environment(platform::kAudioBackendVariable)) {
            win32::TellUser("voxgauge: " + sound.problem + "\n", "VoxGauge", win32::Stream::Error);
        }
        sound.bundle = platform::NoSoundBundle();
    }

    voxgauge::CVoxGaugeApp app({*sound.bundle.audio, *sound.bundle.mixer, store,
                                application.DialogDispatcher(), application.Runner()});
    app.InitInstance();
    return 0;
}
