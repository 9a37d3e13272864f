#include "platform/sim/mic_signal.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace zav::platform::sim {

MicSignal SilentMic() {
    return [](std::uint64_t, std::uint32_t, std::uint32_t) -> std::int16_t { return 0; };
}

MicSignal SineMic(std::int16_t amplitude, double hertz, std::int16_t offset) {
    return [amplitude, hertz, offset](std::uint64_t frame, std::uint32_t,
                                      std::uint32_t sampleRate) -> std::int16_t {
        const double phase = 2.0 * std::numbers::pi * hertz * static_cast<double>(frame) /
                             static_cast<double>(sampleRate);
        const double value = offset + amplitude * std::sin(phase);
        return static_cast<std::int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
    };
}

MicSignal LoopedRecordingMic(PcmSamples recording) {
    // Shared so that copies of the signal do not copy the samples.
    auto shared = std::make_shared<const PcmSamples>(std::move(recording));
    return [shared](std::uint64_t frame, std::uint32_t channel,
                    std::uint32_t sampleRate) -> std::int16_t {
        const std::size_t frames = shared->FrameCount();
        if (frames == 0 || sampleRate == 0)
            return 0;
        const std::uint64_t source = frame * shared->sampleRate / sampleRate % frames;
        const std::uint32_t sourceChannel = std::min<std::uint32_t>(channel, shared->channels - 1u);
        return shared->samples[source * shared->channels + sourceChannel];
    };
}

}  // namespace zav::platform::sim
