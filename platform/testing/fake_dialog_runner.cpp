#include "platform/testing/fake_dialog_runner.h"

namespace zav::platform::sim {

FakeDialog::FakeDialog(const DialogTemplate& dialog, DialogHandler& handler,
                       RecordingMessageBoxes* boxes)
    : dialog_(dialog),
      handler_(handler),
      ownBoxes_(boxes == nullptr ? std::make_unique<RecordingMessageBoxes>() : nullptr),
      boxes_(boxes == nullptr ? ownBoxes_.get() : boxes),
      view_(dialog, *boxes_, timers_) {
    timers_.Bind([this](std::uint32_t id) {
        if (phase_ == Phase::Created || phase_ == Phase::Running)
            handler_.OnTimer(id);
    });
}

FakeDialog::~FakeDialog() {
    Destroy();
}

int FakeDialog::Create() {
    if (phase_ != Phase::Built)
        return -1;
    phase_ = Phase::Created;
    const int result = handler_.OnCreate(view_);
    if (result == -1)
        Destroy();
    return result;
}

void FakeDialog::Init() {
    if (phase_ != Phase::Created)
        return;
    phase_ = Phase::Running;
    if (!handler_.OnInitDialog())
        return;
    for (const ControlTemplate& control : dialog_.controls) {
        if ((control.style & kStyleTabStop) != 0 && control.id != kIdStatic &&
            view_.IsControlEnabled(control.id)) {
            view_.SetFocus(control.id);
            return;
        }
    }
}

bool FakeDialog::Open() {
    if (Create() == -1)
        return false;
    Init();
    return phase_ == Phase::Running;
}

bool FakeDialog::Click(int id) {
    if (!Accepting() || dialog_.Find(id) == nullptr || !view_.IsControlEnabled(id))
        return false;
    if (id == kIdOk) {
        handler_.OnOK();
    } else if (id == kIdCancel) {
        handler_.OnCancel();
    } else {
        handler_.OnCommand(id);
    }
    return true;
}

bool FakeDialog::PressEnter() {
    for (const ControlTemplate& control : dialog_.controls) {
        if (control.kind == ControlKind::DefaultPushButton)
            return Click(control.id);
    }
    return false;
}

bool FakeDialog::PressEscape() {
    if (!Accepting())
        return false;
    handler_.OnCancel();
    return true;
}

bool FakeDialog::MoveSlider(int id, int position, ScrollCode code) {
    if (!Accepting() || !view_.IsControlEnabled(id))
        return false;
    const ControlTemplate* control = dialog_.Find(id);
    if (control == nullptr)
        return false;
    if (control->kind == ControlKind::TrackbarHorizontal) {
        view_.UserMovesThumb(id, position);
        handler_.OnHScroll(id, code);
        return true;
    }
    if (control->kind == ControlKind::TrackbarVertical) {
        view_.UserMovesThumb(id, position);
        handler_.OnVScroll(id, code);
        return true;
    }
    return false;
}

bool FakeDialog::ChooseSystemCommand(std::uint32_t commandId) {
    if (!Accepting())
        return false;
    if (!handler_.OnSysCommand(commandId) && commandId == kSysCommandClose)
        handler_.OnCancel();
    return true;
}

void FakeDialog::Destroy() {
    if (phase_ == Phase::Built || phase_ == Phase::Destroyed) {
        phase_ = Phase::Destroyed;
        return;
    }
    phase_ = Phase::Destroyed;
    handler_.OnDestroy();
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
