#pragma once
// For measuring how long a program takes to show its first window: when the environment holds
// ZAV_REPORT_FIRST_WINDOW, the first window of the process to be painted prints one line on
// standard error, "first window: NANOSECONDS", the wall-clock time (CLOCK_REALTIME) once that
// paint is done. bench/measure-programs reads it. Without the variable nothing is watched.
// A second line breaks the time from the process's start to that paint into the phases that
// MarkStartPhase named, in milliseconds each: "start-up: Qt start 31.0 ms, store 2.1 ms, ...".
//
// Thread: GUI.

#include <QWidget>

namespace zav::platform::qt {

void ReportFirstPaintWhenAsked(QWidget& window);

// Marks the end of a start-up phase: the time since the previous mark (or since the process
// started) is the phase's. name must be a string literal. Does nothing without the variable or
// once the first window has been reported.
void MarkStartPhase(const char* name);

}  // namespace zav::platform::qt
