// The Linux program shell: Qt windows, the SQLite store, POSIX files and the thread timer.

#include <cstdio>
#include <iostream>
#include <optional>
#include <span>
#include <string>

#include "platform/hardware/audio_backend_list.h"
#include "platform/posix/posix_file_system.h"
#include "platform/qt/first_window_report.h"
#include "platform/qt/program_start.h"
#include "platform/qt/qt_application.h"
#include "platform/shell/program_shell.h"
#include "platform/sqlite/default_registry.h"
#include "platform/timer/thread_timer.h"

namespace zav::platform {

namespace {

// The Linux programs' own variables: where the store is, and the screen.
constexpr EnvironmentVariable kPosixVariables[] = {
    {"ZAV_REGISTRY=FILE", "the store (by default ~/.local/share/zav/registry.sqlite)"},
    {"DISPLAY",
     "the X display to show the window on; without one,\n"
     "QT_QPA_PLATFORM=offscreen runs the program without a screen"},
};

}  // namespace

int RunWindowedProgram(int argc, char** argv, const WindowedProgram& program,
                       const std::function<void(const HostServices&)>& body) {
    const EnvironmentLookup environment = ProcessEnvironment();
    const std::string seeAlso = "See " + std::string(program.command) + "(1), " +
                                std::string(program.sibling) + "(1) and zavtool(1).\n";
    const std::string help = ComposeHelp(program.help, {}, kPosixVariables, seeAlso);
    const std::optional<int> endStatus = qt::EndBeforeWindows(
        std::span<const char* const>(argv + 1, argv + argc),
        {program.command, program.version, help}, environment, std::cout, std::cerr);
    if (endStatus)
        return *endStatus;

    qt::QtApplication application(argv[0], {program.title, program.desktopId});
    qt::MarkStartPhase("Qt start");
    std::unique_ptr<RegistryStore> store = OpenDefaultRegistry();
    qt::MarkStartPhase("store");
    PosixFileSystem files;
    ThreadTimer timer;

    AudioSelection sound = ChooseAudioBackend(application.DialogDispatcher(), environment);
    qt::MarkStartPhase("sound backend");
    if (!sound.bundle) {
        // Without a sound card the program explains it in its own message; a backend the user
        // named but that could not start is worth a line on the terminal as well.
        if (environment(kAudioBackendVariable)) {
            const std::string command(program.command);
            std::fprintf(stderr, "%s: %s\n", command.c_str(), sound.problem.c_str());
        }
        sound.bundle = NoSoundBundle();
    }

    body({*sound.bundle.audio, *sound.bundle.mixer, timer, *store, files,
          application.DialogDispatcher(), application.Runner()});
    return 0;
}

}  // namespace zav::platform
