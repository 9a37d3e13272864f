#pragma once
// The doctor's capture: a few seconds from the input device the programs record from (the wave
// mapper, in KeyVoice's recording format), through the same wave-input calls they use.
//
// Thread: the caller's. The device's callbacks only count the returned buffers; every wave call
// is made on the caller's thread.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/wave_in.h"

namespace zavtool {

struct Capture {
    zav::platform::MmResult result = zav::platform::MmResult::NoError;
    std::string failure;  // what failed, when result is not NoError or the device stalled
    std::vector<std::int16_t> samples;
};

// Records seconds of sound. A device that has not filled its buffers once seconds and then
// grace have passed is stopped, and the capture says so in failure.
Capture CaptureFromMicrophone(zav::platform::WaveInApi& waveIn, double seconds,
                              std::chrono::milliseconds grace = std::chrono::seconds(5));

}  // namespace zavtool
