#include "platform/qt/qt_dialog_runner.h"

#include "platform/qt/first_window_report.h"
#include "platform/qt/qt_dialog_window.h"

namespace zav::platform::qt {

namespace {

// Keeps the stack of running windows right however the run ends.
class RunningEntry {
  public:
    RunningEntry(std::vector<QtDialogWindow*>& running, QtDialogWindow* window)
        : running_(running) {
        running_.push_back(window);
    }
    ~RunningEntry() { running_.pop_back(); }
    RunningEntry(const RunningEntry&) = delete;
    RunningEntry& operator=(const RunningEntry&) = delete;

  private:
    std::vector<QtDialogWindow*>& running_;
};

}  // namespace

int QtDialogRunner::RunModal(const DialogTemplate& dialog, DialogHandler& handler) {
    QWidget* owner = running_.empty() ? nullptr : running_.back();
    QtDialogWindow window(dialog, handler, owner);
    const RunningEntry entry(running_, &window);
    MarkStartPhase("window built");

    DialogSession& session = window.Session();
    if (!session.Create())
        return -1;
    MarkStartPhase("dialog created");
    const int firstFocus = session.Init();
    MarkStartPhase("dialog started (device checks, mixer, capture)");
    window.FocusAsFirst(firstFocus);
    if (observer_ && !session.Ended())
        observer_(window);
    ReportFirstPaintWhenAsked(window);
    const int result = window.RunModalLoop();
    session.Destroy();
    return result;
}

}  // namespace zav::platform::qt
