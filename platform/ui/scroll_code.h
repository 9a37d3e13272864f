#pragma once
// What a slider's scroll notification says happened, with the host's TB_* numbers.

#include <cstdint>

namespace zav::platform {

enum class ScrollCode : std::uint32_t {
    LineUp = 0,         // arrow key towards the minimum
    LineDown = 1,       // arrow key towards the maximum
    PageUp = 2,         // Page Up, or a click in the channel before the thumb
    PageDown = 3,       // Page Down, or a click in the channel after the thumb
    ThumbPosition = 4,  // the thumb was released after a drag
    ThumbTrack = 5,     // the thumb is being dragged
    Top = 6,            // Home
    Bottom = 7,         // End
    EndTrack = 8,       // the key or mouse button was released
};

}  // namespace zav::platform
