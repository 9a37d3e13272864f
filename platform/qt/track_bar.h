#pragma once
// A slider that behaves like the host's trackbar: tick marks only where the program puts them
// (plus the two ends), on both sides when asked; a vertical one has its minimum at the top. The
// range, position and ticks follow the trackbar rules of TrackbarState.
// Every move the user makes is reported as one scroll notification with the host's code;
// setting the range or position from code reports nothing. Assistive tools reach it through
// AccessibleTrackBar.
//
// Thread: GUI.

#include <QSlider>
#include <vector>

#include "platform/ui/scroll_code.h"
#include "platform/ui/trackbar_model.h"

namespace zav::platform::qt {

class TrackBar : public QSlider {
    Q_OBJECT

  public:
    TrackBar(Qt::Orientation orientation, bool ticksBothSides, QWidget* parent);

    // TBM_SETTIC: false (nothing added) for a position outside the range.
    bool AddTick(int position);
    const std::vector<int>& Ticks() const { return model_.tics; }

    // Changes made by the program; they never come back as userScrolled.
    void SetRangeQuietly(int minimum, int maximum);
    void SetPositionQuietly(int position);
    // A move made on the user's behalf (an assistive tool setting the value): the thumb goes
    // there, held to the range, and the program hears ThumbPosition and EndTrack, as at the end
    // of a drag.
    void MoveForUser(int position);

  signals:
    // The user moved the thumb (or is moving it); sliderPosition() is already the new one.
    void UserScrolled(zav::platform::ScrollCode code);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void OnAction(int action);

    // The range and the ticks; the position is the slider's own value, copied in before a rule
    // needs it.
    TrackbarState model_;
};

}  // namespace zav::platform::qt
