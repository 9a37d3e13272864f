#pragma once
// Push buttons that the program can hold drawn pushed in (BM_SETSTATE). The host's button keeps
// that state only until the mouse or the space bar releases it: a click on a held key, or a press
// that slides off it, would draw it raised again although the program still holds it. A button
// made holdable here watches its own messages and puts the pushed look back after any of them
// while the program holds it, except while the mouse is pressing it.
//
// Thread: dialog.

#include <windows.h>

namespace zav::platform::win32 {

// Watches button from now on; false when it could not be subclassed.
bool MakeHoldable(HWND button);
// BM_SETSTATE, remembered: a held button stays drawn pushed in until released here.
void HoldPushed(HWND button, bool pushed);
// Whether the program holds button pushed in.
bool IsHeldPushed(HWND button);

}  // namespace zav::platform::win32
