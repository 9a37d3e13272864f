#pragma once
// One program shell per system: a windowed program's main hands its text and its body to the
// shell, which answers --help and --version, builds the host's services once (the store, the
// files, the multimedia timer, the dialog dispatcher and runner, and the sound the environment
// picks, or no sound with a line on standard error when a named backend could not start) and
// runs the body on them. qt_program_shell.cpp is the Linux shell (Qt windows, the SQLite store,
// POSIX files), win32_program_shell.cpp the Windows one (the host's dialogs, registry, files
// and timer).
//
// Thread: the program's main thread, which becomes the dialog thread.

#include <functional>

#include "platform/audio/audio_system.h"
#include "platform/files/files.h"
#include "platform/mixer/mixer.h"
#include "platform/registry/registry.h"
#include "platform/timer/multimedia_timer.h"
#include "platform/ui/dialog_runner.h"
#include "platform/ui/dispatcher.h"
#include "platform/ui/program_text.h"

namespace zav::platform {

struct HostServices {
    AudioSystem& audio;
    Mixer& mixer;
    MultimediaTimer& timer;
    RegistryStore& store;
    FileSystem& files;
    Dispatcher& dispatcher;
    DialogRunner& runner;
};

// Runs the program and gives its exit status; argc and argv are main's. The Windows shell reads
// the arguments from the wide command line instead, so that they arrive intact.
int RunWindowedProgram(int argc, char** argv, const WindowedProgram& program,
                       const std::function<void(const HostServices&)>& body);

}  // namespace zav::platform
