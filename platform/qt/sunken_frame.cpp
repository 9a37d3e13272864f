#include "platform/qt/sunken_frame.h"

#include <algorithm>

#include "platform/qt/accessible_level.h"

namespace zav::platform::qt {

SunkenFrame::SunkenFrame(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Its inside shows the dialog's own colour, also over a group box that the style shades:
    // that is the colour a child drawn into it reads as its background.
    setAutoFillBackground(true);
}

void SunkenFrame::SetLevel(int level) {
    const int clamped = std::clamp(level, kMinimum, kMaximum);
    if (clamped == level_)
        return;
    level_ = clamped;
    AnnounceLevel(*this, level_);
}

}  // namespace zav::platform::qt
