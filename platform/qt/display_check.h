#pragma once
// Whether a Qt program has somewhere to show its window, decided from the environment before
// QApplication is made: without a display Qt's xcb platform aborts the process with a message
// about plugins that does not say what is missing.
//
// Thread: any; the environment is only read.

#include <string_view>

#include "platform/audio/audio_backend.h"

namespace zav::platform::qt {

// The one line a program prints (after its name) when NoDisplay is true.
inline constexpr std::string_view kNoDisplayAdvice =
    "no display to show the window on: set DISPLAY to a running X server (for example "
    "DISPLAY=:0), or run without one with QT_QPA_PLATFORM=offscreen, or QT_QPA_PLATFORM=vnc to "
    "see the window in a VNC viewer";

// True when every platform Qt would try needs an X display and DISPLAY is empty. Qt tries the
// platforms QT_QPA_PLATFORM lists (separated by ';', each with optional ':' arguments), else
// xcb, or Wayland in a Wayland session (WAYLAND_DISPLAY set or XDG_SESSION_TYPE=wayland). Any
// platform other than xcb is left to Qt: offscreen and vnc need no display, and a Wayland or
// framebuffer one reports its own problems.
bool NoDisplay(const EnvironmentLookup& environment);

}  // namespace zav::platform::qt
