#include "platform/qt/program_start.h"

#include "platform/qt/display_check.h"

namespace zav::platform::qt {

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitNoDisplay = 1;

}  // namespace

std::optional<int> EndBeforeWindows(std::span<const char* const> arguments,
                                    const ProgramText& program,
                                    const EnvironmentLookup& environment, std::ostream& out,
                                    std::ostream& err) {
    for (const std::string_view argument : arguments) {
        if (argument == "--help") {
            out << program.help << std::flush;
            return kExitSuccess;
        }
        if (argument == "--version") {
            out << program.command << ' ' << program.version << std::endl;
            return kExitSuccess;
        }
    }
    if (NoDisplay(environment)) {
        err << program.command << ": " << kNoDisplayAdvice << std::endl;
        return kExitNoDisplay;
    }
    return std::nullopt;
}

}  // namespace zav::platform::qt
