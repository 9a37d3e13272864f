// The Windows program shell: the host's dialogs, registry, files and multimedia timer.

#include <windows.h>

#include <string>
#include <vector>

#include "platform/hardware/audio_backend_list.h"
#include "platform/shell/program_shell.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_multimedia_timer.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32_dialogs/program_start.h"
#include "platform/win32_dialogs/win32_application.h"

namespace zav::platform {

int RunWindowedProgram(int, char**, const WindowedProgram& program,
                       const std::function<void(const HostServices&)>& body) {
    const std::string command(program.command);
    const std::vector<std::string> arguments = win32::CommandLineArguments();
    const std::string seeAlso =
        "See " + std::string(program.sibling) + " --help and zavtool --help.\n";
    const std::string help = ComposeHelp(program.help, program.help.windowsStore, {}, seeAlso);
    if (const auto answer =
            CommandLineAnswer(arguments, {program.command, program.version, help})) {
        win32::TellUser(*answer, program.title);
        return 0;
    }

    const EnvironmentLookup environment = ProcessEnvironment();
    win32::Win32Application application;
    if (!application.Ready()) {
        win32::TellUser(command + ": the windows of this program could not be set up\n",
                        program.title, win32::Stream::Error);
        return 1;
    }
    win32::Win32Registry store;
    win32::Win32FileSystem files;
    win32::Win32MultimediaTimer timer;

    AudioSelection sound = ChooseAudioBackend(application.DialogDispatcher(), environment);
    if (!sound.bundle) {
        // Without a sound card the program explains it in its own message; a backend the user
        // named but that could not start is worth a line on the standard error as well.
        if (environment(kAudioBackendVariable))
            win32::TellUser(command + ": " + sound.problem + "\n", program.title,
                            win32::Stream::Error);
        sound.bundle = NoSoundBundle();
    }

    body({*sound.bundle.audio, *sound.bundle.mixer, timer, store, files,
          application.DialogDispatcher(), application.Runner()});
    return 0;
}

}  // namespace zav::platform
