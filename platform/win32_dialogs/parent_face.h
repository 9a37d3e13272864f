#pragma once
// The colour a dialog shows behind its controls: what its dialog procedure answers to
// WM_CTLCOLORSTATIC (a solid brush), or the system's face colour when that is not a plain
// colour. Painted controls fill what they leave undrawn with it, so that they sit on the dialog
// like its own statics.
//
// Thread: dialog.

#include <windows.h>

namespace zav::platform::win32 {

// window: a control or a child of a control; dc: a device context the dialog may set colours
// on (it is handed to the dialog with the question).
COLORREF ParentFaceColour(HWND window, HDC dc);

}  // namespace zav::platform::win32
