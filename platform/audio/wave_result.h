#pragma once
// Result codes of the host's wave and multimedia calls, with the host's numbers, so that code
// using them can be compared with the host's documentation line by line.

#include <cstdint>
#include <string_view>

namespace zav::platform {

enum class MmResult : std::uint32_t {
    NoError = 0,            // MMSYSERR_NOERROR
    Error = 1,              // unspecified error
    BadDeviceId = 2,        // device id out of range
    NotEnabled = 3,         // driver failed enable
    Allocated = 4,          // device already allocated
    InvalHandle = 5,        // device handle is invalid
    NoDriver = 6,           // no device driver present
    NoMem = 7,              // memory allocation error
    NotSupported = 8,       // function isn't supported
    BadErrNum = 9,          // error value out of range
    InvalFlag = 10,         // invalid flag passed
    InvalParam = 11,        // invalid parameter passed
    HandleBusy = 12,        // handle being used simultaneously on another thread
    WaveBadFormat = 32,     // unsupported wave format
    WaveStillPlaying = 33,  // still something playing (or buffers still queued)
    WaveUnprepared = 34,    // header not prepared
    WaveSync = 35,          // device is synchronous
};

// A short English description of a result, as a wave device's error-text call gives it.
// Empty for a number that is not one of the codes above.
std::string_view WaveResultText(MmResult result);

}  // namespace zav::platform
