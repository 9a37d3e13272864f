#pragma once
// The sound the simulated microphone hears: a function from time to sample.

#include <cstdint>
#include <functional>

#include "platform/sim/wave_file_reader.h"

namespace zav::platform::sim {

// One sample: the frame number counted from the moment the device opened (at the device's
// rate), the channel, and the rate the device records at.
// Called on: the simulated device thread, with the card's lock held; must be a pure function
// of its arguments and must not call the card.
using MicSignal = std::function<std::int16_t(std::uint64_t frame, std::uint32_t channel,
                                             std::uint32_t sampleRate)>;

MicSignal SilentMic();

// A sine wave of the given amplitude and frequency around offset, on every channel.
MicSignal SineMic(std::int16_t amplitude, double hertz, std::int16_t offset = 0);

// A recording played in a loop, taking the nearest earlier frame at the device's rate; a mono
// recording feeds every channel, extra device channels repeat the recording's last channel.
MicSignal LoopedRecordingMic(PcmSamples recording);

}  // namespace zav::platform::sim
