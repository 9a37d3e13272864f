#pragma once
// For measuring how long a program takes to show its first window: when the environment holds
// ZAV_REPORT_FIRST_WINDOW, the first window of the process to be painted prints one line on
// standard error, "first window: NANOSECONDS", the wall-clock time (CLOCK_REALTIME) once that
// paint is done. bench/measure-programs reads it. Without the variable nothing is watched.
//
// Thread: GUI.

#include <QWidget>

namespace zav::platform::qt {

void ReportFirstPaintWhenAsked(QWidget& window);

}  // namespace zav::platform::qt
