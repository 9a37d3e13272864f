#pragma once
// Helpers shared by the capture tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/bytes/little_endian.h"
#include "platform/sim/sim_sound_card.h"
#include "tests/support/violation_log.h"

namespace capture_test {

// Any broken host rule fails the test.
inline void FailOnViolation(zav::platform::sim::SimSoundCard& card) {
    card.SetViolationHandler([](std::string_view message) { ADD_FAILURE() << message; });
}

// Keeps broken rules for a test that expects them (Attach).
using zav::test::ViolationLog;

inline std::vector<std::uint8_t> SampleBytes(std::span<const std::int16_t> samples) {
    std::vector<std::uint8_t> bytes;
    zav::platform::LeWriter writer(bytes);
    for (std::int16_t sample : samples)
        writer.U16(static_cast<std::uint16_t>(sample));
    return bytes;
}

inline std::int16_t SampleAt(const std::uint8_t* data, std::size_t index) {
    return static_cast<std::int16_t>(data[index * 2] | (data[index * 2 + 1] << 8));
}

// A RIFF WAVE file of PCM samples (16-bit as given, or 8-bit when eightBit, from the top byte).
inline std::vector<std::uint8_t> WaveFileBytes(std::uint32_t rate, std::uint16_t channels,
                                               std::span<const std::int16_t> samples,
                                               bool eightBit = false) {
    const std::uint16_t bits = eightBit ? 8 : 16;
    const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * bits / 8);
    std::vector<std::uint8_t> bytes;
    zav::platform::LeWriter writer(bytes);
    writer.Code(zav::platform::MakeFourCc("RIFF")).U32(4 + 24 + 8 + dataSize);
    writer.Code(zav::platform::MakeFourCc("WAVE"));
    writer.Code(zav::platform::MakeFourCc("fmt ")).U32(16).U16(1).U16(channels).U32(rate);
    writer.U32(rate * align).U16(align).U16(bits);
    writer.Code(zav::platform::MakeFourCc("data")).U32(dataSize);
    for (std::int16_t sample : samples) {
        if (eightBit) {
            bytes.push_back(static_cast<std::uint8_t>((sample >> 8) + 128));
        } else {
            writer.U16(static_cast<std::uint16_t>(sample));
        }
    }
    return bytes;
}

}  // namespace capture_test
