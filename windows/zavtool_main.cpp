// zavtool for Windows: the same commands, on the host's registry and Win32 files. Arguments are
// taken from the wide command line, so that paths in any language arrive intact (as UTF-8).

#include <iostream>
#include <memory>

#include "platform/hardware/audio_backend_list.h"
#include "platform/win32/command_line.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "tools/zavtool/doctor_machine.h"
#include "tools/zavtool/zavtool.h"

int main() {
    zav::platform::win32::Win32FileSystem files;
    zav::platform::win32::Win32Registry registry;
    zavtool::NativeFolderReader folders;
    const zavtool::DoctorMachine machine{zav::platform::ProcessEnvironment(),
                                         zav::platform::ChooseAudioBackend, folders};
    return zavtool::RunZavtool(zav::platform::win32::CommandLineArguments(), std::cout, std::cerr,
                               registry, files, &machine);
}
