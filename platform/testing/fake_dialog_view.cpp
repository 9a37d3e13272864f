#include "platform/testing/fake_dialog_view.h"

#include <algorithm>
#include <stdexcept>

namespace zav::platform::sim {

namespace {

bool AnyKind(ControlKind) {
    return true;
}

bool IsTrackbar(ControlKind kind) {
    return kind == ControlKind::TrackbarHorizontal || kind == ControlKind::TrackbarVertical;
}

bool IsValueControl(ControlKind kind) {
    return kind == ControlKind::Gauge;
}

bool IsButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::DefaultPushButton;
}

constexpr int kSunkenBorder = 1;  // pixels on each side of a sunken static

}  // namespace

FakeDialogView::FakeDialogView(const DialogTemplate& dialog, MessageBoxes& boxes,
                               DialogTimers& timers)
    : dialog_(dialog), boxes_(boxes), timers_(timers) {
    for (const ControlTemplate& control : dialog.controls) {
        if (control.id == kIdStatic)
            continue;
        FakeControlState state;
        state.kind = control.kind;
        state.enabled = (control.style & kStyleDisabled) == 0;
        controls_.emplace(control.id, state);
    }
}

FakeControlState* FakeDialogView::Find(int id, bool (*kindFits)(ControlKind)) {
    const auto it = controls_.find(id);
    if (it == controls_.end() || !kindFits(it->second.kind))
        return nullptr;
    return &it->second;
}

const FakeControlState* FakeDialogView::Find(int id, bool (*kindFits)(ControlKind)) const {
    const auto it = controls_.find(id);
    if (it == controls_.end() || !kindFits(it->second.kind))
        return nullptr;
    return &it->second;
}

void FakeDialogView::EnableControl(int id, bool enable) {
    if (FakeControlState* control = Find(id, AnyKind))
        control->enabled = enable;
}

bool FakeDialogView::IsControlEnabled(int id) const {
    const FakeControlState* control = Find(id, AnyKind);
    return control != nullptr && control->enabled;
}

void FakeDialogView::SetFocus(int id) {
    if (id == 0 || Find(id, AnyKind) != nullptr)
        focusId_ = id;
}

void FakeDialogView::SetSliderRange(int id, int minimum, int maximum, bool) {
    FakeControlState* slider = Find(id, IsTrackbar);
    if (slider != nullptr)
        slider->SetRange(minimum, maximum);
}

void FakeDialogView::SetSliderPos(int id, int position, bool) {
    FakeControlState* slider = Find(id, IsTrackbar);
    if (slider != nullptr)
        slider->positionSets.push_back(slider->SetPosition(position));
}

int FakeDialogView::GetSliderPos(int id) const {
    const FakeControlState* slider = Find(id, IsTrackbar);
    return slider == nullptr ? 0 : slider->position;
}

bool FakeDialogView::SetSliderTic(int id, int position) {
    FakeControlState* slider = Find(id, IsTrackbar);
    if (slider == nullptr)
        return false;
    slider->ticRequests.push_back(position);
    return slider->AddTic(position);
}

void FakeDialogView::SetControlValue(int id, int value) {
    FakeControlState* control = Find(id, IsValueControl);
    if (control == nullptr)
        return;
    control->value = value;
    control->valueSets.push_back(value);
}

int FakeDialogView::GetControlValue(int id) const {
    const FakeControlState* control = Find(id, IsValueControl);
    return control == nullptr ? 0 : control->value;
}

void FakeDialogView::SetButtonState(int id, bool pushed) {
    if (FakeControlState* button = Find(id, IsButton))
        button->pushed = pushed;
}

void FakeDialogView::SetToolTip(int id, std::string_view text) {
    if (FakeControlState* control = Find(id, AnyKind))
        control->toolTip = std::string(text);
}

void FakeDialogView::AddSystemMenuItem(std::uint32_t commandId, std::string_view text) {
    menuItems_.push_back({commandId, std::string(text)});
}

void FakeDialogView::EndDialog(int result) {
    endResult_ = result;
    if (endListener_)
        endListener_(result);
}

const FakeControlState& FakeDialogView::Control(int id) const {
    const FakeControlState* control = Find(id, AnyKind);
    if (control == nullptr) {
        throw std::out_of_range("the dialog has no control " + std::to_string(id));
    }
    return *control;
}

void FakeDialogView::UserMovesThumb(int id, int position) {
    if (FakeControlState* slider = Find(id, IsTrackbar))
        slider->SetPosition(position);
}

int FakeDialogView::GetSliderRangeMax(int id) const {
    const FakeControlState* slider = Find(id, IsTrackbar);
    return slider == nullptr ? 0 : slider->rangeMaximum;
}

bool FakeDialogView::GetButtonState(int id) const {
    const FakeControlState* button = Find(id, IsButton);
    return button != nullptr && button->pushed;
}

ClientRect FakeDialogView::GetControlClientRect(int id) const {
    const auto given = clientRects_.find(id);
    if (given != clientRects_.end())
        return given->second;
    const ControlTemplate* control = dialog_.Find(id);
    if (control == nullptr)
        return {};
    const PixelRect box = MapDialogRect(control->rect, kFakeBaseUnits);
    const int border = control->kind == ControlKind::StaticSunken ? kSunkenBorder : 0;
    return {0, 0, std::max(box.width - 2 * border, 0), std::max(box.height - 2 * border, 0)};
}

void FakeDialogView::AttachPainter(int id, ControlPainter* painter) {
    painted_.erase(id);
    if (painter == nullptr || Find(id, AnyKind) == nullptr)
        return;
    const ClientRect client = GetControlClientRect(id);
    painted_.emplace(
        id, PaintedChild{painter, FakeCanvas(client.Width(), client.Height(), kFakeDialogFace), 0});
}

void FakeDialogView::Repaint(int id) {
    const auto child = painted_.find(id);
    if (child == painted_.end())
        return;
    ++child->second.paints;
    child->second.painter->OnPaint(child->second.canvas);
}

void FakeDialogView::SetControlClientRect(int id, const ClientRect& rect) {
    clientRects_[id] = rect;
    if (FakeCanvas* canvas = PaintedCanvas(id))
        canvas->Resize(rect.Width(), rect.Height());
}

FakeCanvas* FakeDialogView::PaintedCanvas(int id) {
    const auto child = painted_.find(id);
    return child == painted_.end() ? nullptr : &child->second.canvas;
}

const FakeCanvas* FakeDialogView::PaintedCanvas(int id) const {
    const auto child = painted_.find(id);
    return child == painted_.end() ? nullptr : &child->second.canvas;
}

ControlPainter* FakeDialogView::PainterOf(int id) const {
    const auto child = painted_.find(id);
    return child == painted_.end() ? nullptr : child->second.painter;
}

int FakeDialogView::PaintCount(int id) const {
    const auto child = painted_.find(id);
    return child == painted_.end() ? 0 : child->second.paints;
}

}  // namespace zav::platform::sim
