#pragma once
// The level gauge of VoxGauge's dialog as a window class of its own ("ZavNeedleGauge"); see
// platform/ui/needle_dial.h for the dial, its face and the glide. The face is drawn by the icon
// renderer, once per size; the needle with GDI at three times its size and averaged down, so
// its edges are smooth.
//
// The needle glides to a new value (a level that changes ten times a second reads calmly); the
// value is always the one last set. With a tab stop it
// takes the focus, and then shows a focus frame. WM_PRINTCLIENT draws the same picture into
// another device context (a screenshot, a test).
//
// Thread: dialog (the thread that made the window).

#include <windows.h>

#include "platform/ui/needle_dial.h"

namespace zav::platform::win32 {

inline constexpr wchar_t kNeedleGaugeClass[] = L"ZavNeedleGauge";

// The gauge's own messages. kGaugeSetValue: wParam is the value, held to 0 to 15; returns 0.
// kGaugeGetValue: returns the value.
inline constexpr UINT kGaugeSetValue = WM_USER + 0x100;
inline constexpr UINT kGaugeGetValue = WM_USER + 0x101;

// Registers the class once per process; false when the system refused it.
bool RegisterNeedleGaugeClass();

// Where the needle of gauge stands now, in value units (between the old and the new value while
// it glides); 0 for a window that is not a gauge.
double NeedlePosition(HWND gauge);

}  // namespace zav::platform::win32
