#pragma once
// The messages a wave device's function callback receives, with the host's numbers.

#include <cstdint>

namespace zav::platform {

enum class WaveMessage : std::uint32_t {
    OutOpen = 0x3BB,   // WOM_OPEN
    OutClose = 0x3BC,  // WOM_CLOSE
    OutDone = 0x3BD,   // WOM_DONE: a written buffer has been played
    InOpen = 0x3BE,    // WIM_OPEN
    InClose = 0x3BF,   // WIM_CLOSE
    InData = 0x3C0,    // WIM_DATA: an added buffer is filled, or returned by stop/reset
};

}  // namespace zav::platform
