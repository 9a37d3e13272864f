#include "platform/win32_dialogs/win32_dialog_runner.h"

namespace zav::platform::win32 {

int Win32DialogRunner::RunModal(const DialogTemplate& dialog, DialogHandler& handler) {
    Win32DialogWindow* running = running_.Innermost();
    const HWND owner = running != nullptr ? running->Handle() : nullptr;
    Win32DialogWindow window(dialog, handler);
    const RunningDialogs<Win32DialogWindow>::Entry entry(running_, &window);
    return window.Run(owner, observer_);
}

}  // namespace zav::platform::win32
