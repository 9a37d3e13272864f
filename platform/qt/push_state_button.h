#pragma once
// A push button that the program can hold drawn pushed in (BM_SETSTATE). Qt's own "down" state
// is the mouse's: it is cleared when the button loses the focus or is disabled. The state kept
// here lasts until the program sets it back, and the button paints itself sunken from it.
// Assistive tools read it as pressed and "selected" (AccessiblePushButton).
//
// A button may show a picture (SetPicture) instead of a text. Disabled, it shows the picture's
// outline filled with the palette's disabled text colour and then passed through the style's
// disabled icon mode, so a filled shape shows no darker than a disabled text's thin strokes.
// (The style's disabled mode alone keeps a black drawing dark grey, which does not read as
// disabled.)
//
// Thread: GUI.

#include <QPushButton>
#include <optional>

#include "platform/ui/icon_drawing.h"

namespace zav::platform::qt {

class PushStateButton : public QPushButton {
    Q_OBJECT

  public:
    explicit PushStateButton(QWidget* parent);

    void SetPushedIn(bool pushed);
    bool IsPushedIn() const { return pushedIn_; }

    // Shows picture, side pixels square, as the button's icon. The drawing's shapes must outlive
    // the button (resource tables are static).
    void SetPicture(const IconDrawing& picture, int side);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void MakePictureIcon();

    bool pushedIn_ = false;
    std::optional<IconDrawing> picture_;
    int pictureSide_ = 0;
};

}  // namespace zav::platform::qt
