#pragma once
// A dialog view for presenter tests: it keeps the state of every control of the template and
// every change the presenter made to it, so a test can assert what the user would see.
//
// Pixels: the fake window is laid out with kFakeBaseUnits, so a control's client rectangle is
// its template rectangle mapped with those units (a sunken frame loses its 1-pixel border on
// each side); a test may give a control another client rectangle. A painted child draws on a
// FakeCanvas of that size; Repaint runs its painter at once (there is no message loop to wait
// for), so what it drew can be read right after.
//
// Thread: the test's thread, which plays the dialog thread.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/testing/fake_canvas.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/dialog_view.h"
#include "platform/ui/trackbar_model.h"

namespace zav::platform::sim {

// The base units of the host's "MS Sans Serif" 8 point at 96 dots per inch.
inline constexpr DialogBaseUnits kFakeBaseUnits{6, 13};
// What a painted child's canvas reports behind it until a test says otherwise: the host's
// standard face colour of dialogs.
inline constexpr Rgb kFakeDialogFace{192, 192, 192};

// A trackbar's range, position and accepted ticks are the TrackbarState part.
struct FakeControlState : TrackbarState {
    ControlKind kind = ControlKind::StaticLeft;
    bool enabled = true;
    bool pushed = false;  // BM_SETSTATE
    std::string toolTip;

    // Trackbars.
    std::vector<int> ticRequests;   // every SetSliderTic, accepted or not
    std::vector<int> positionSets;  // every SetSliderPos by the program, after clamping

    // Value controls (the gauge).
    int value = 0;
    std::vector<int> valueSets;  // every SetControlValue by the program
};

struct FakeMenuItem {
    std::uint32_t commandId = 0;
    std::string text;
};

class FakeDialogView : public DialogView {
  public:
    FakeDialogView(const DialogTemplate& dialog, MessageBoxes& boxes, DialogTimers& timers);

    void EnableControl(int id, bool enable) override;
    bool IsControlEnabled(int id) const override;
    void SetFocus(int id) override;
    void SetSliderRange(int id, int minimum, int maximum, bool redraw) override;
    void SetSliderPos(int id, int position, bool redraw) override;
    int GetSliderPos(int id) const override;
    bool SetSliderTic(int id, int position) override;
    int GetSliderRangeMax(int id) const override;
    void SetControlValue(int id, int value) override;
    int GetControlValue(int id) const override;
    void SetButtonState(int id, bool pushed) override;
    bool GetButtonState(int id) const override;
    void SetToolTip(int id, std::string_view text) override;
    ClientRect GetControlClientRect(int id) const override;
    void AttachPainter(int id, ControlPainter* painter) override;
    void Repaint(int id) override;
    void SetIcon(const IconDrawing& icon) override { icon_ = &icon; }
    void AddSystemMenuItem(std::uint32_t commandId, std::string_view text) override;
    MessageBoxes& Messages() override { return boxes_; }
    DialogTimers& Timers() override { return timers_; }
    void EndDialog(int result) override;

    // Inspection. Control() throws std::out_of_range for an id the template does not hold.
    const DialogTemplate& Template() const { return dialog_; }
    const FakeControlState& Control(int id) const;
    int FocusId() const { return focusId_; }  // 0: the dialog itself
    const IconDrawing* Icon() const { return icon_; }
    // The items added after the menu's own, each following a separator.
    const std::vector<FakeMenuItem>& SystemMenuItems() const { return menuItems_; }
    std::optional<int> EndResult() const { return endResult_; }
    // Told every EndDialog (the dialog that runs this view keeps its end there).
    void SetEndListener(std::function<void(int result)> listener) {
        endListener_ = std::move(listener);
    }

    // The user's side: the thumb moved to position (kept inside the range), without counting
    // as a change made by the program.
    void UserMovesThumb(int id, int position);

    // Painted children. SetControlClientRect gives control id another client rectangle (and its
    // painted child's canvas that size). The canvas and the painter are null, and the paint
    // count 0, while control id has no painter.
    void SetControlClientRect(int id, const ClientRect& rect);
    FakeCanvas* PaintedCanvas(int id);
    const FakeCanvas* PaintedCanvas(int id) const;
    ControlPainter* PainterOf(int id) const;
    int PaintCount(int id) const;

  private:
    struct PaintedChild {
        ControlPainter* painter = nullptr;
        FakeCanvas canvas;
        int paints = 0;
    };

    FakeControlState* Find(int id, bool (*kindFits)(ControlKind));
    const FakeControlState* Find(int id, bool (*kindFits)(ControlKind)) const;

    const DialogTemplate& dialog_;
    MessageBoxes& boxes_;
    DialogTimers& timers_;
    std::map<int, FakeControlState> controls_;
    std::map<int, ClientRect> clientRects_;  // the test's overrides
    std::map<int, PaintedChild> painted_;
    int focusId_ = 0;
    const IconDrawing* icon_ = nullptr;
    std::vector<FakeMenuItem> menuItems_;
    std::optional<int> endResult_;
    std::function<void(int result)> endListener_;
};

}  // namespace zav::platform::sim
