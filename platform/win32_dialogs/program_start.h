#pragma once
// What a Windows program needs before it shows a window: its arguments (command_line.h), and
// how a program without a console of its own tells the user something: on the standard handle
// when there is one (a pipe, a file, the terminal Wine was started from), else on the console
// of the program that started it, else in a message box. The answer to --help and --version is
// the same on every system (platform/ui/program_text.h).
//
// Thread: the program's main thread.

#include <string_view>

#include "platform/win32/command_line.h"  // CommandLineArguments, for the program shell

namespace zav::platform::win32 {

enum class Stream { Output, Error };

// Writes text for the user as described above; caption titles the message box.
void TellUser(std::string_view text, std::string_view caption, Stream stream = Stream::Output);

}  // namespace zav::platform::win32
