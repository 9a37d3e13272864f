#include "platform/qt/program_start.h"

#include <string>
#include <vector>

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
    const std::vector<std::string> words(arguments.begin(), arguments.end());
    if (const std::optional<std::string> answer = CommandLineAnswer(words, program)) {
        out << *answer << std::flush;
        return kExitSuccess;
    }
    if (NoDisplay(environment)) {
        err << program.command << ": " << kNoDisplayAdvice << std::endl;
        return kExitNoDisplay;
    }
    return std::nullopt;
}

}  // namespace zav::platform::qt
