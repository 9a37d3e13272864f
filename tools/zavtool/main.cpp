// zavtool: the command-line companion of KeyVoice and VoxGauge.

#include <iostream>
#include <string>
#include <vector>

#include "platform/posix/posix_file_system.h"
#include "platform/sqlite/default_registry.h"
#include "tools/zavtool/zavtool.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    zav::platform::PosixFileSystem files;
    std::unique_ptr<zav::platform::RegistryStore> registry = zav::platform::OpenDefaultRegistry();
    return zavtool::RunZavtool(args, std::cout, std::cerr, *registry, files);
}
