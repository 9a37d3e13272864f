#pragma once
// Running a presenter without a window: FakeDialog plays the window backend for one dialog
// (creation, initialisation, the user's clicks, keys and slider moves, destruction), with the
// order and the routing of every backend (DialogSession); FakeDialogRunner runs dialogs modally
// by handing each to a scripted user.
//
// Thread: the test's thread, which plays the dialog thread.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/testing/fake_dialog_view.h"
#include "platform/testing/manual_timers.h"
#include "platform/testing/recording_message_boxes.h"
#include "platform/ui/dialog_handler.h"
#include "platform/ui/dialog_runner.h"
#include "platform/ui/dialog_session.h"

namespace zav::platform::sim {

class FakeDialog {
  public:
    using Phase = DialogSession::Phase;

    // boxes: where the dialog's message boxes go (a box of its own when null).
    FakeDialog(const DialogTemplate& dialog, DialogHandler& handler,
               RecordingMessageBoxes* boxes = nullptr);
    ~FakeDialog();  // destroys the window (OnDestroy) if that has not happened yet
    FakeDialog(const FakeDialog&) = delete;
    FakeDialog& operator=(const FakeDialog&) = delete;

    // OnCreate; when it answers -1 the window is destroyed at once (OnDestroy).
    int Create();
    // OnInitDialog; when it answers true the focus goes to the first enabled tab-stop control.
    void Init();
    // Create and, when that succeeded, Init. True when the dialog runs.
    bool Open();

    // The user's actions. Each is ignored (false) unless the dialog runs and has not ended, and
    // the control exists and is enabled.
    bool Click(int id);  // OK goes to OnOK, Cancel to OnCancel, other push buttons to OnCommand
    bool PressEnter();   // clicks the default push button
    bool PressEscape();  // OnCancel
    bool MoveSlider(int id, int position, ScrollCode code = ScrollCode::ThumbTrack);
    // A window-menu command; when the handler leaves it, Close cancels the dialog.
    bool ChooseSystemCommand(std::uint32_t commandId);

    // OnDestroy, once.
    void Destroy();

    Phase CurrentPhase() const { return session_.CurrentPhase(); }
    bool Ended() const { return session_.Ended(); }
    std::optional<int> Result() const { return session_.Result(); }
    FakeDialogView& View() { return view_; }
    ManualTimers& Timers() { return timers_; }
    RecordingMessageBoxes& Boxes() { return *boxes_; }

  private:
    // The user can reach only a control that is there and enabled.
    bool Reachable(int id) const;

    const DialogTemplate& dialog_;
    std::unique_ptr<RecordingMessageBoxes> ownBoxes_;
    RecordingMessageBoxes* boxes_;
    ManualTimers timers_;
    FakeDialogView view_;
    DialogSession session_;
};

// What happened to one modal run.
struct FakeRun {
    int templateId = 0;
    int result = 0;
    bool endedByUser = false;  // false: the script left it running and the runner cancelled it
};

class FakeDialogRunner : public DialogRunner {
  public:
    // The user's part while a dialog runs; it should end the dialog.
    using Script = std::function<void(FakeDialog& dialog)>;

    // Every box of every dialog run here is kept in boxes.
    explicit FakeDialogRunner(RecordingMessageBoxes& boxes) : boxes_(boxes) {}

    // The script for dialogs of templateId. Without one the user presses OK at once.
    void SetScript(int templateId, Script script) { scripts_[templateId] = std::move(script); }

    int RunModal(const DialogTemplate& dialog, DialogHandler& handler) override;

    const std::vector<FakeRun>& Runs() const { return runs_; }

  private:
    RecordingMessageBoxes& boxes_;
    std::map<int, Script> scripts_;
    std::vector<FakeRun> runs_;
};

}  // namespace zav::platform::sim
