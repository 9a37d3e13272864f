// KeyVoice for Windows: the key sound recorder. Wires the recorder dialog to the host's registry
// and files, the multimedia timer, the sound the environment picks (the machine's sound by
// default, ZAV_AUDIO=sim for the simulated card) and the host's own dialogs.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "keyvoice/key_voice_app.h"
#include "packaging/program_info.h"
#include "platform/hardware/audio_backend_list.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_multimedia_timer.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32_dialogs/program_start.h"
#include "platform/win32_dialogs/win32_application.h"

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
    "Zav's folders and the recordings are found in the system registry, under\n"
    "HKEY_LOCAL_MACHINE\\Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0.\n"
    "\n"
    "Environment:\n"
    "  ZAV_AUDIO=sim             the simulated sound card instead of the machine's sound\n"
    "  ZAV_SIM_MIC=FILE.wav      what the simulated card's microphone hears\n"
    "  ZAV_SIM_SPEAKER=FILE.wav  keeps what the simulated card's speaker played\n"
    "\n"
    "See voxgauge --help and zavtool --help.\n";

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    namespace platform = zav::platform;
    namespace win32 = zav::platform::win32;
    const std::vector<std::string> arguments = win32::CommandLineArguments();
    if (const auto answer =
            win32::CommandLineAnswer(arguments, {"keyvoice", zav::packaging::kVersion, kHelp})) {
        win32::TellUser(*answer, "KeyVoice");
        return 0;
    }

    const platform::EnvironmentLookup environment = platform::ProcessEnvironment();
    win32::Win32Application application;
    if (!application.Ready()) {
        win32::TellUser("keyvoice: the windows of this program could not be set up\n", "KeyVoice",
                        win32::Stream::Error);
        return 1;
    }
    win32::Win32Registry store;
    win32::Win32FileSystem files;
    win32::Win32MultimediaTimer timer;

    platform::AudioSelection sound =
        platform::ChooseAudioBackend(application.DialogDispatcher(), environment);
    if (!sound.bundle) {
        // Without a sound card the program explains it in its own message; a backend the user
        // named but that could not start is worth a line on the standard error as well.
        if (environment(platform::kAudioBackendVariable)) {
            win32::TellUser("keyvoice: " + sound.problem + "\n", "KeyVoice", win32::Stream::Error);
        }
        sound.bundle = platform::NoSoundBundle();
    }

    keyvoice::CKeyVoiceApp app({*sound.bundle.audio, *sound.bundle.mixer, timer, store, files,
                                application.DialogDispatcher(), application.Runner()});
    app.InitInstance();
    return 0;
}
