#pragma once
// The one QApplication of the widget tests, made before the first test and gone after the last.
// Helpers that wait inside the event loop for something the GUI thread will do.

#include <functional>

namespace qt_test {

// Runs the event loop until done() or timeoutMs; true when done() became true.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);

}  // namespace qt_test
