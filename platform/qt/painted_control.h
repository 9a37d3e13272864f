#pragma once
// The child window a program's ControlPainter draws: it covers the client area of the control
// it is put on (a sunken frame) and hands the painter a Canvas over a QPainter at every paint.
// The background it reports is the frame's palette window colour, the colour that shows behind
// anything the painter leaves undrawn (Qt has no pixel to read back from the screen).
//
// Thread: GUI.

#include <QWidget>

#include "platform/ui/canvas.h"

namespace zav::platform::qt {

class PaintedControl : public QWidget {
    Q_OBJECT

  public:
    // frame: the control to cover; the painter must outlive this widget's paints.
    PaintedControl(ControlPainter& painter, QWidget* frame);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    ControlPainter& painter_;
};

}  // namespace zav::platform::qt
