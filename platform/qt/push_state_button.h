#pragma once
// A push button that the program can hold drawn pushed in (BM_SETSTATE). Qt's own "down" state
// is the mouse's: it is cleared when the button loses the focus or is disabled. The state kept
// here lasts until the program sets it back, and the button paints itself sunken from it.
// Assistive tools read it as pressed and "selected" (AccessiblePushButton).
//
// Thread: GUI.

#include <QPushButton>

namespace zav::platform::qt {

class PushStateButton : public QPushButton {
    Q_OBJECT

  public:
    explicit PushStateButton(QWidget* parent);

    void SetPushedIn(bool pushed);
    bool IsPushedIn() const { return pushedIn_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool pushedIn_ = false;
};

}  // namespace zav::platform::qt
