#pragma once
// What a program says about itself before it shows a window, and its answer to the two
// questions its command line may ask: --help and --version (the first of them wins; every other
// argument is ignored, as the programs take none). Each host's program start shows the answer
// its own way (platform/qt/program_start.h, platform/win32_dialogs/program_start.h).
//
// Thread: any.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zav::platform {

// A line of --help's environment list: the variable (with its value) and what it does. A
// meaning of several lines has them separated by line breaks; each is indented to the column.
struct EnvironmentVariable {
    std::string_view name;
    std::string_view meaning;
};

// A program's --help text: its usage line and what it does, the paragraph that the Windows help
// adds on where the values are kept, and the environment variables the program takes besides
// those of the sound (kSoundVariables) and of the system.
struct ProgramHelp {
    std::string_view usage = {};
    std::string_view windowsStore = {};
    std::span<const EnvironmentVariable> variables = {};
};

// The variables of the sound every program takes: the simulated card and its microphone.
extern const std::span<const EnvironmentVariable> kSoundVariables;

// The usage, the system's paragraph (none when empty), the environment list (the sound's
// variables, the program's, then the system's, in one column) and the closing line, a blank
// line between each.
std::string ComposeHelp(const ProgramHelp& help, std::string_view systemParagraph,
                        std::span<const EnvironmentVariable> systemVariables,
                        std::string_view seeAlso);

// A windowed program as its system's shell (platform/shell/program_shell.h) starts it.
struct WindowedProgram {
    std::string_view command;  // "voxgauge": --version's line and every error line start so
    std::string_view version;
    std::string_view title;      // "VoxGauge": the application's name and the message caption
    std::string_view desktopId;  // the desktop entry the windows belong to (Linux)
    std::string_view sibling;    // the other program, which the help points to
    ProgramHelp help;
};

struct ProgramText {
    std::string_view command;  // "voxgauge": starts --version's line and every error line
    std::string_view version;
    std::string_view help;  // --help's text, ending with a line break
};

// The text to show when the arguments ask one of the questions; nullopt: go on and show the
// window.
std::optional<std::string> CommandLineAnswer(std::span<const std::string> arguments,
                                             const ProgramText& program);

}  // namespace zav::platform
