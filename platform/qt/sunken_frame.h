#pragma once
// The control of a StaticSunken template entry: an empty sunken frame whose inside shows the
// dialog's own colour, for a painted child (a meter) to draw into. The program tells it the
// level its painting shows (DialogView::SetControlValue), which is what assistive tools read
// from it; the frame itself draws nothing of it.
//
// Thread: GUI.

#include <QFrame>

#include "platform/qt/level_display.h"

namespace zav::platform::qt {

class SunkenFrame : public QFrame, public LevelDisplay {
    Q_OBJECT

  public:
    explicit SunkenFrame(QWidget* parent);

    // Values outside 0 to 15 are held at the nearer end.
    void SetLevel(int level);
    int ShownLevel() const override { return level_; }

  private:
    int level_ = kMinimum;
};

}  // namespace zav::platform::qt
