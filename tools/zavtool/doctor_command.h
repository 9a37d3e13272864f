#pragma once
// zavtool doctor [--seconds S] [--json]: why the needle does not move and why a key is silent.
// Runs the installation checks (doctor_installation.h) and the sound checks (doctor_sound.h)
// and prints a line per check, or with --json one document. Exit status: 0 all is well, 1
// warnings only, 2 a problem or bad arguments.
//
// Thread: the caller's.

#include "tools/zavtool/command.h"
#include "tools/zavtool/doctor_machine.h"

namespace zavtool {

// The longest capture the doctor makes, in seconds.
inline constexpr double kMaxDoctorSeconds = 60.0;

// The command on the given machine; RunDoctor uses the one main handed to RunZavtool.
ExitStatus Doctor(CommandContext& context, const DoctorMachine& machine);

}  // namespace zavtool
