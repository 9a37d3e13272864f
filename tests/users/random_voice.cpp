#include "tests/users/random_voice.h"

#include <cmath>
#include <numbers>

namespace random_user {

zav::platform::sim::MicSignal RandomVoice(Dice& dice) {
    const double peak = dice.Between(0, 30000);
    const double hertz = dice.Between(100, 2000);
    const double swellsPerSecond = dice.Between(1, 12);
    return [=](std::uint64_t frame, std::uint32_t, std::uint32_t sampleRate) {
        const double seconds = static_cast<double>(frame) / sampleRate;
        const double loudness =
            0.5 + 0.5 * std::sin(2 * std::numbers::pi * swellsPerSecond * seconds);
        return static_cast<std::int16_t>(
            std::lround(peak * loudness * std::sin(2 * std::numbers::pi * hertz * seconds)));
    };
}

}  // namespace random_user
