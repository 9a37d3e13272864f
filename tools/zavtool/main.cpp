// zavtool: the command-line companion of KeyVoice and VoxGauge.

#include <iostream>
#include <string>
#include <vector>

#include "platform/hardware/audio_backend_list.h"
#include "platform/posix/posix_file_system.h"
#include "platform/sqlite/default_registry.h"
#include "tools/zavtool/doctor_machine.h"
#include "tools/zavtool/zavtool.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    zav::platform::PosixFileSystem files;
    std::unique_ptr<zav::platform::RegistryStore> registry = zav::platform::OpenDefaultRegistry();
    zavtool::NativeFolderReader folders;
    const zavtool::DoctorMachine machine{zav::platform::ProcessEnvironment(),
                                         zav::platform::ChooseAudioBackend, folders};
    return zavtool::RunZavtool(args, std::cout, std::cerr, *registry, files, &machine);
}
