#pragma once
// The audio sandbox's devices as Wine's sound driver shows them: the default output is the
// virtual speaker, the default input the virtual microphone, and the sandbox's feed sink and the
// speaker's monitor appear as devices of their own. The order of the named devices changes from
// one process to the next, so they are found by name.
//
// The fixture skips, saying why, when the devices are not there (no server, or Wine could not
// reach it), and gives a noise signal and the comparisons the tests make on recordings.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/audio/wave_format.h"
#include "platform/winmm/winmm_audio_system.h"

namespace winmm_test {

inline constexpr const char* kMicFeedName = "Sandbox-Mic-Feed";
inline constexpr const char* kSpeakerMonitorName = "Monitor of Sandbox-Speaker";

// The number of the output (or input) device of that name, or nullopt.
std::optional<std::uint32_t> FindOutput(zav::platform::AudioSystem& audio, const std::string& name);
std::optional<std::uint32_t> FindInput(zav::platform::AudioSystem& audio, const std::string& name);

// Why the sandbox's devices cannot be used, or nullopt when they are there.
std::optional<std::string> WhyNoSandbox(zav::platform::AudioSystem& audio);

// Reproducible 16-bit white noise at 0.4 of full scale.
std::vector<std::int16_t> Noise(std::size_t samples, unsigned seed);

// Where reference begins within recording (an exact match of its first 16 samples), or nullopt.
std::optional<std::size_t> FindExact(std::span<const std::int16_t> recording,
                                     std::span<const std::int16_t> reference);
// The samples of reference that differ from recording at offset (all of them beyond its end).
std::size_t CountDifferences(std::span<const std::int16_t> recording,
                             std::span<const std::int16_t> reference, std::size_t offset);

class SandboxTest : public testing::Test {
  protected:
    void SetUp() override {
        if (const std::optional<std::string> why = WhyNoSandbox(audio_))
            GTEST_SKIP() << *why;
    }

    zav::platform::winmm::WinmmAudioSystem audio_;
};

}  // namespace winmm_test
