#pragma once
// The level gauge of VoxGauge's dialog: a dial whose needle shows a value from 0 (the "Too
// Quiet" end, lower left) to 15 (the "Too Loud" end, lower right), with a green zone around the
// top where the voice is just right. The labels stand around it as separate controls.
//
// The needle glides to a new value over a short moment instead of jumping, so that a level
// that changes ten times a second reads calmly; value() is always the value last set, and it is
// the level assistive tools read. It takes the focus when the dialog gives it a tab stop, and
// then shows a focus frame.
//
// Thread: GUI.

#include <QVariantAnimation>
#include <QWidget>

#include "platform/qt/level_display.h"

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
    int value_ = 0;
    double needle_ = 0.0;
    QVariantAnimation glide_;
};

// The needle's angle for a position in value units, in degrees counter-clockwise from three
// o'clock: 150 at 0, 90 (straight up) at 7.5, 30 at 15.
double NeedleAngleDegrees(double position);

}  // namespace zav::platform::qt
