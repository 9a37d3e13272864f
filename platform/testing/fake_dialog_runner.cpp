#include "platform/testing/fake_dialog_runner.h"

namespace zav::platform::sim {

FakeDialog::FakeDialog(const DialogTemplate& dialog, DialogHandler& handler,
                       RecordingMessageBoxes* boxes)
    : dialog_(dialog),
      ownBoxes_(boxes == nullptr ? std::make_unique<RecordingMessageBoxes>() : nullptr),
      boxes_(boxes == nullptr ? ownBoxes_.get() : boxes),
      view_(dialog, *boxes_, timers_),
      session_(dialog, handler, view_) {
    timers_.Bind([this](std::uint32_t id) { session_.Timer(id); });
    view_.SetEndListener([this](int result) { session_.End(result); });
}

FakeDialog::~FakeDialog() {
    Destroy();
}

int FakeDialog::Create() {
    return session_.Create() ? 0 : -1;
}

void FakeDialog::Init() {
    if (const int first = session_.Init(); first != 0)
        view_.SetFocus(first);
}

bool FakeDialog::Open() {
    if (Create() == -1)
        return false;
    Init();
    return session_.CurrentPhase() == Phase::Running;
}

bool FakeDialog::Reachable(int id) const {
    return dialog_.Find(id) != nullptr && view_.IsControlEnabled(id);
}

bool FakeDialog::Click(int id) {
    return Reachable(id) && session_.Command(id);
}

bool FakeDialog::PressEnter() {
    for (const ControlTemplate& control : dialog_.controls) {
        if (control.kind == ControlKind::DefaultPushButton)
            return Click(control.id);
    }
    return false;
}

bool FakeDialog::PressEscape() {
    return session_.Command(kIdCancel);
}

bool FakeDialog::MoveSlider(int id, int position, ScrollCode code) {
    if (!session_.Accepting() || !Reachable(id))
        return false;
    const ControlKind kind = dialog_.Find(id)->kind;
    if (kind != ControlKind::TrackbarHorizontal && kind != ControlKind::TrackbarVertical)
        return false;
    view_.UserMovesThumb(id, position);
    return session_.Scroll(id, code);
}

bool FakeDialog::ChooseSystemCommand(std::uint32_t commandId) {
    if (!session_.Accepting())
        return false;
    session_.SystemCommand(commandId);
    return true;
}

void FakeDialog::Destroy() {
    session_.Destroy();
}

int FakeDialogRunner::RunModal(const DialogTemplate& dialog, DialogHandler& handler) {
    FakeDialog window(dialog, handler, &boxes_);
    if (window.Create() == -1) {
        runs_.push_back({dialog.id, -1, false});
        return -1;
    }
    window.Init();
    const auto script = scripts_.find(dialog.id);
    if (script != scripts_.end()) {
        script->second(window);
    } else {
        window.Click(kIdOk);
    }
    const bool endedByUser = window.Ended();
    if (!endedByUser)
        window.PressEscape();
    const int result = window.Result().value_or(kIdCancel);
    window.Destroy();
    runs_.push_back({dialog.id, result, endedByUser});
    return result;
}

}  // namespace zav::platform::sim
