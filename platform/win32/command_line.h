#pragma once
// The program's arguments from the wide command line, so that paths in any language arrive
// intact.
//
// Thread: any.

#include <string>
#include <vector>

namespace zav::platform::win32 {

// The arguments after the program's own name, in UTF-8.
std::vector<std::string> CommandLineArguments();

}  // namespace zav::platform::win32
