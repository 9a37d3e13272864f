#include "platform/ui/dialog_session.h"

namespace zav::platform {

namespace {

bool IsPushButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::DefaultPushButton;
}

}  // namespace

bool DialogSession::Create() {
    if (phase_ != Phase::Built)
        return false;
    phase_ = Phase::Created;
    if (handler_.OnCreate(view_) != -1)
        return true;
    result_ = -1;
    Destroy();
    return false;
}

int DialogSession::Init() {
    if (phase_ != Phase::Created)
        return 0;
    phase_ = Phase::Running;
    return handler_.OnInitDialog() ? FirstTabStop() : 0;
}

int DialogSession::FirstTabStop() const {
    for (const ControlTemplate& control : dialog_.controls) {
        if ((control.style & kStyleTabStop) != 0 && control.id != kIdStatic &&
            view_.IsControlEnabled(control.id)) {
            return control.id;
        }
    }
    return 0;
}

bool DialogSession::Command(int id) {
    if (!Accepting())
        return false;
    if (id == kIdCancel) {
        handler_.OnCancel();
        return true;
    }
    const ControlTemplate* control = dialog_.Find(id);
    if (id == kIdOk) {
        // Enter while OK is disabled (as while a sound plays) is not an OK.
        if (control != nullptr && !view_.IsControlEnabled(id))
            return false;
        handler_.OnOK();
        return true;
    }
    if (control == nullptr || !IsPushButton(control->kind) || !view_.IsControlEnabled(id))
        return false;
    handler_.OnCommand(id);
    return true;
}

bool DialogSession::SystemCommand(std::uint32_t commandId) {
    if (!Accepting())
        return false;
    if (handler_.OnSysCommand(commandId))
        return true;
    if (commandId != kSysCommandClose)
        return false;
    Command(kIdCancel);
    return true;
}

bool DialogSession::Scroll(int id, ScrollCode code) {
    const ControlTemplate* control = dialog_.Find(id);
    if (!Accepting() || control == nullptr)
        return false;
    if (control->kind == ControlKind::TrackbarHorizontal) {
        handler_.OnHScroll(id, code);
        return true;
    }
    if (control->kind == ControlKind::TrackbarVertical) {
        handler_.OnVScroll(id, code);
        return true;
    }
    return false;
}

bool DialogSession::Timer(std::uint32_t timerId) {
    if (phase_ != Phase::Created && phase_ != Phase::Running)
        return false;
    handler_.OnTimer(timerId);
    return true;
}

void DialogSession::End(int result) {
    result_ = result;
}

void DialogSession::Destroy() {
    const bool created = phase_ == Phase::Created || phase_ == Phase::Running;
    phase_ = Phase::Destroyed;
    if (created)
        handler_.OnDestroy();
}

}  // namespace zav::platform
