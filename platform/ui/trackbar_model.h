#pragma once
// A trackbar's range, position and tick marks, and the host's rules for changing them: the
// range starts at 0 to 100; a maximum below the minimum becomes the minimum; the position is
// always kept inside the range, also when the range changes under it; a tick is refused outside
// the range, and ticks that a new range leaves outside are dropped. Every window backend keeps
// its trackbars by these rules (the fake view in this state itself, the others by loading their
// control's state, changing it here and storing it back).
//
// Thread: plain data; the dialog thread in practice.

#include <vector>

namespace zav::platform {

struct TrackbarState {
    int rangeMinimum = 0;
    int rangeMaximum = 100;
    int position = 0;
    std::vector<int> tics;  // the ticks the program put, in the order it put them

    // TBM_SETRANGE.
    void SetRange(int minimum, int maximum);
    // TBM_SETPOS, or the user's move: the position kept, held to the range.
    int SetPosition(int requested);
    // TBM_SETTIC: false, and nothing added, outside the range.
    bool AddTic(int at);
    // The position held to the range.
    int Clamp(int requested) const;
};

}  // namespace zav::platform
