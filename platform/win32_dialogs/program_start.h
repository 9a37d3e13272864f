#pragma once
// What a Windows program settles before it shows a window: the two questions its command line
// may ask (--help, --version; every other argument is ignored, as the programs take none), and
// how a program without a console of its own tells the user something: on the standard
// handle when there is one (a pipe, a file, the terminal Wine was started from), else on the
// console of the program that started it, else in a message box.
//
// Thread: the program's main thread.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/command_line.h"  // CommandLineArguments, for the programs' mains

namespace zav::platform::win32 {

struct ProgramText {
    std::string_view command;  // "voxgauge": starts --version's line
    std::string_view version;
    std::string_view help;  // --help's text, ending with a line break
};

// The text to show when the arguments ask a question the program answers before any window
// (the first of --help and --version wins); nullopt: go on and show the window.
std::optional<std::string> CommandLineAnswer(std::span<const std::string> arguments,
                                             const ProgramText& program);

enum class Stream { Output, Error };

// Writes text for the user as described above; caption titles the message box.
void TellUser(std::string_view text, std::string_view caption, Stream stream = Stream::Output);

}  // namespace zav::platform::win32
