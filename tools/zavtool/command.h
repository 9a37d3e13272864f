#pragma once
// What every zavtool command gets: its arguments, the streams, and the host services.

#include <ostream>
#include <span>
#include <string>

#include "platform/files/files.h"
#include "platform/registry/registry.h"

namespace zavtool {

// Exit statuses of zavtool.
enum class ExitStatus : int {
    Success = 0,
    LoadFailed = 1,  // the sound file could not be loaded
    Usage = 2,       // usage errors and unsupported input
    Warnings = 1,    // zavtool doctor: warnings only
    Problem = 2,     // zavtool doctor: a problem
};

struct DoctorMachine;

struct CommandContext {
    std::span<const std::string> args;  // the words after the command's name
    std::ostream& out;
    std::ostream& err;  // one line per problem, "zavtool: ..."
    zav::platform::RegistryStore& registry;
    zav::platform::FileSystem& files;
    const DoctorMachine* machine = nullptr;  // what doctor examines; none in tests of others
};

// Writes "zavtool: <problem>" on err and returns status.
ExitStatus Fail(CommandContext& context, ExitStatus status, std::string_view problem);

ExitStatus RunInfo(CommandContext& context);
ExitStatus RunDecode(CommandContext& context);
ExitStatus RunEncode(CommandContext& context);
ExitStatus RunReg(CommandContext& context);
ExitStatus RunAnalyse(CommandContext& context);
ExitStatus RunImportKey(CommandContext& context);
ExitStatus RunDemoInstall(CommandContext& context);
ExitStatus RunDoctor(CommandContext& context);

}  // namespace zavtool
