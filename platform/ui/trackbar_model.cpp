#include "platform/ui/trackbar_model.h"

#include <algorithm>

namespace zav::platform {

void TrackbarState::SetRange(int minimum, int maximum) {
    rangeMinimum = minimum;
    rangeMaximum = std::max(minimum, maximum);
    position = Clamp(position);
    std::erase_if(tics, [this](int tic) { return tic != Clamp(tic); });
}

int TrackbarState::SetPosition(int requested) {
    position = Clamp(requested);
    return position;
}

bool TrackbarState::AddTic(int at) {
    if (at != Clamp(at))
        return false;
    tics.push_back(at);
    return true;
}

int TrackbarState::Clamp(int requested) const {
    return std::clamp(requested, rangeMinimum, rangeMaximum);
}

}  // namespace zav::platform
