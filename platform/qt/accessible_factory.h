#pragma once
// The interfaces through which assistive tools see this backend's dialog widgets: push buttons
// that tell when they are held pushed in, trackbars whose value a tool sets as the user would,
// and level displays whose level a tool can read. Qt asks the installed factories about each
// widget, most derived class first, so these take precedence over Qt's own for those widgets.
//
// Thread: GUI.

namespace zav::platform::qt {

// Installs the factory once per process; later calls do nothing.
void InstallAccessibleInterfaces();

}  // namespace zav::platform::qt
