#pragma once
// The level gauge of VoxGauge's dialog (see platform/ui/needle_dial.h for the dial, its face
// and the glide). The labels stand around it as separate controls.
//
// The needle glides to a new value, so that a level that changes ten times a second reads
// calmly; value() is always the value last set, and it is the level assistive tools read. It takes
// the focus when the dialog gives it a tab stop, and then shows a focus frame.
//
// Drawing is kept cheap because the needle moves every tick: the face (card, zones, ticks, the
// just-right mark) is drawn once per size and device pixel ratio into a cached pixmap, and each
// frame draws only that pixmap, the needle, its shadow and the hub. The glide advances on a
// timer every kNeedleGlideFrameMs, and a step that leaves
// the needle's tip on the same device pixel repaints nothing; a step that moves it repaints only
// the needle's old and new area.
//
// Thread: GUI.

#include <QElapsedTimer>
#include <QPixmap>
#include <QPointF>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include "platform/qt/level_display.h"
#include "platform/ui/needle_dial.h"

namespace zav::platform::qt {

class NeedleGauge : public QWidget, public LevelDisplay {
    Q_OBJECT
    Q_PROPERTY(int value READ Value WRITE SetValue)

  public:
    explicit NeedleGauge(QWidget* parent = nullptr);

    int Value() const { return value_; }
    // Values outside 0 to 15 are held at the nearer end.
    void SetValue(int value);
    int ShownLevel() const override { return value_; }

    // Where the needle is drawn now, in value units (between the old and the new value while it
    // glides).
    double NeedlePosition() const { return needle_; }

    QSize sizeHint() const override { return {177, 120}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void GlideStep();
    // Moves the drawn needle to a position and asks for a repaint of what that changes.
    void MoveNeedle(double position);
    // The widget's area that the needle, its shadow and the hub cover at a position.
    QRect NeedleArea(double position) const;
    // The device pixel the needle's tip falls on at a position.
    QPoint TipPixel(double position) const;
    const QPixmap& Face();

    int value_ = 0;
    double needle_ = 0.0;
    double glideFrom_ = 0.0;
    QTimer glideTimer_;
    QElapsedTimer glideClock_;
    QPixmap face_;  // empty until first painted, redrawn when the size or pixel ratio changes
};

}  // namespace zav::platform::qt
