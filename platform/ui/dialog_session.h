#pragma once
// The host's rules for one dialog, in one place for every window backend: the order of the
// handler's calls (built, created, running, ended, destroyed), where the user's commands go, what
// Close does when the handler leaves it, and which control has the focus first. A backend owns
// one session per dialog window, turns its own events into the calls below, and does what their
// answers say; the session calls the handler and never touches a window itself, except to read
// the enabled state of controls through the view.
//
//   Create       Built -> Created: OnCreate. When it answers -1 the dialog ends with -1 and is
//                destroyed at once (OnDestroy); the backend destroys its window unseen.
//   Init         Created -> Running: OnInitDialog; answers the control that gets the focus first
//                (the first enabled tab stop in template order) or 0 when the handler placed it.
//   Command      only while running and not ended: Cancel (Esc, the close box, the Cancel button)
//                goes to OnCancel; OK (the OK button, Enter) to OnOK, unless the template's OK
//                button is disabled; any other enabled push button of the template to OnCommand.
//   SystemCommand  only while running and not ended: OnSysCommand first; Close, when the handler
//                leaves it, cancels the dialog (as Command(kIdCancel)).
//   Scroll       only while running and not ended: a trackbar of the template to OnHScroll or
//                OnVScroll by its kind.
//   Timer        while created or running (also after the end, until the window goes).
//   End          EndDialog: from then on no user action reaches the handler.
//   Destroy      OnDestroy once, unless the dialog was never created.
//
// Thread: dialog.

#include <cstdint>
#include <optional>

#include "platform/ui/dialog_handler.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/dialog_view.h"

namespace zav::platform {

class DialogSession {
  public:
    enum class Phase { Built, Created, Running, Destroyed };

    // view is the window the handler sees; it must outlive the session's calls.
    DialogSession(const DialogTemplate& dialog, DialogHandler& handler, DialogView& view)
        : dialog_(dialog), handler_(handler), view_(view) {}

    // False when the dialog does not run: the handler stopped it (then it is ended with -1 and
    // destroyed) or it was created before.
    bool Create();
    // The control to focus first, or 0 for none (the handler placed the focus, or no enabled
    // tab stop is there).
    int Init();
    // Each answers whether the handler was called.
    bool Command(int id);
    // True when the dialog took the command (the handler, or Close cancelling); false leaves it
    // to the backend's own default (moving the window ...).
    bool SystemCommand(std::uint32_t commandId);
    bool Scroll(int id, ScrollCode code);
    bool Timer(std::uint32_t timerId);
    void End(int result);
    void Destroy();

    Phase CurrentPhase() const { return phase_; }
    // Running and not ended: user actions reach the handler.
    bool Accepting() const { return phase_ == Phase::Running && !result_; }
    bool Ended() const { return result_.has_value(); }
    std::optional<int> Result() const { return result_; }
    const DialogTemplate& Template() const { return dialog_; }

  private:
    int FirstTabStop() const;

    const DialogTemplate& dialog_;
    DialogHandler& handler_;
    DialogView& view_;
    Phase phase_ = Phase::Built;
    std::optional<int> result_;
};

}  // namespace zav::platform
