#pragma once
// PCM wave formats as the tests write them.

#include <cstdint>

#include "platform/audio/wave_format.h"

namespace zav::test {

// Plain PCM: block align channels x bits / 8, byte rate rate x block align.
constexpr platform::PcmWaveFormat Pcm(std::uint16_t channels, std::uint32_t rate,
                                      std::uint16_t bits = 16) {
    const auto block = static_cast<std::uint16_t>(channels * bits / 8);
    return {platform::kWaveFormatPcm, channels, rate, rate * block, block, bits};
}

}  // namespace zav::test
