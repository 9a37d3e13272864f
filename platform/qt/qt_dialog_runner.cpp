#include "platform/qt/qt_dialog_runner.h"

#include "platform/qt/first_window_report.h"
#include "platform/qt/qt_dialog_window.h"

namespace zav::platform::qt {

int QtDialogRunner::RunModal(const DialogTemplate& dialog, DialogHandler& handler) {
    QWidget* owner = running_.Innermost();
    QtDialogWindow window(dialog, handler, owner);
    const RunningDialogs<QtDialogWindow>::Entry entry(running_, &window);
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
