#pragma once
// What a windowed program settles before it makes its QApplication: the answer to the questions
// its command line may ask (platform/ui/program_text.h), and whether there is a display to show a
// window on (display_check.h).
//
// Thread: the program's main thread, before the QApplication exists.

#include <optional>
#include <ostream>
#include <span>
#include <string_view>

#include "platform/audio/audio_backend.h"
#include "platform/ui/program_text.h"

namespace zav::platform::qt {

// Returns the exit status when the program ends here: 0 after answering --help or --version on
// out, 1 after one line on err when there is no display. nullopt: go on and show the window.
// arguments are the words after the program's name.
std::optional<int> EndBeforeWindows(std::span<const char* const> arguments,
                                    const ProgramText& program,
                                    const EnvironmentLookup& environment, std::ostream& out,
                                    std::ostream& err);

}  // namespace zav::platform::qt
