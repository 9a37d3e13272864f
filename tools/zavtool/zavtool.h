#pragma once
// zavtool's command line, run in-process: main() and the tests both come through here.

#include <ostream>
#include <span>
#include <string>

#include "platform/files/files.h"
#include "platform/registry/registry.h"

namespace zavtool {

struct DoctorMachine;

// args are the words after the program's name. Returns the exit status. machine is what
// zavtool doctor examines besides the store and files; without one, doctor refuses to run.
int RunZavtool(std::span<const std::string> args, std::ostream& out, std::ostream& err,
               zav::platform::RegistryStore& registry, zav::platform::FileSystem& files,
               const DoctorMachine* machine = nullptr);

}  // namespace zavtool
