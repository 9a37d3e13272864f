#include "platform/win32_dialogs/win32_dialog_runner.h"

namespace zav::platform::win32 {

namespace {

// Keeps the stack of running windows right however the run ends.
class RunningEntry {
  public:
    RunningEntry(std::vector<Win32DialogWindow*>& running, Win32DialogWindow* window)
        : running_(running) {
        running_.push_back(window);
    }
    ~RunningEntry() { running_.pop_back(); }
    RunningEntry(const RunningEntry&) = delete;
    RunningEntry& operator=(const RunningEntry&) = delete;

  private:
    std::vector<Win32DialogWindow*>& running_;
};

}  // namespace

int Win32DialogRunner::RunModal(const DialogTemplate& dialog, DialogHandler& handler) {
    const HWND owner = running_.empty() ? nullptr : running_.back()->Handle();
    Win32DialogWindow window(dialog, handler);
    const RunningEntry entry(running_, &window);
    return window.Run(owner, observer_);
}

}  // namespace zav::platform::win32
