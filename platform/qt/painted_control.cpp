#include "platform/qt/painted_control.h"

#include <QPainter>

namespace zav::platform::qt {

namespace {

QColor ToQColor(Rgb colour) {
    return {colour.red, colour.green, colour.blue};
}

Rgb ToRgb(const QColor& colour) {
    return {static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
            static_cast<std::uint8_t>(colour.blue())};
}

class QPainterCanvas : public Canvas {
  public:
    QPainterCanvas(QPainter& painter, QSize size, Rgb background)
        : painter_(painter), size_(size), background_(background) {}

    int Width() const override { return size_.width(); }
    int Height() const override { return size_.height(); }
    Rgb BackgroundColour() const override { return background_; }
    void FillRect(const ClientRect& rect, Rgb colour) override {
        // The painter clips to the widget, which is the client area.
        painter_.fillRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()),
                          ToQColor(colour));
    }

  private:
    QPainter& painter_;
    QSize size_;
    Rgb background_;
};

}  // namespace

PaintedControl::PaintedControl(ControlPainter& painter, QWidget* frame)
    : QWidget(frame), painter_(painter) {
    setGeometry(frame->contentsRect());
    setFocusPolicy(Qt::NoFocus);
}

void PaintedControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QPainterCanvas canvas(painter, size(),
                          ToRgb(parentWidget()->palette().color(QPalette::Window)));
    painter_.OnPaint(canvas);
}

}  // namespace zav::platform::qt
