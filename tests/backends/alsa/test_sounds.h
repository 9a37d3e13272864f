#pragma once
// Sounds for the audio tests, made when a test needs them (sox for tones and noise, espeak-ng
// for speech) into the build folder, and the comparisons the tests make on recordings.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "platform/sim/wave_file_reader.h"

namespace alsa_test {

using zav::platform::sim::PcmSamples;

// A 16-bit sine tone of volume (0 to 1 of full scale).
std::filesystem::path MakeTone(const std::string& name, unsigned rate, unsigned channels,
                               double seconds, double hertz, double volume);
// 16-bit white noise of volume.
std::filesystem::path MakeNoise(const std::string& name, unsigned rate, unsigned channels,
                                double seconds, double volume);
// A spoken sentence, 22,050 Hz mono 16-bit.
std::filesystem::path MakeSpeech(const std::string& name, const std::string& text);

std::optional<PcmSamples> ReadSound(const std::filesystem::path& path);

// Where reference begins within recording, in frames: the lag at which the reference's opening
// frames correlate best with the recording. nullopt when the recording is too short.
std::optional<std::size_t> FindByCorrelation(std::span<const std::int16_t> recording,
                                             std::span<const std::int16_t> reference,
                                             unsigned channels);

// The number of samples of reference that differ from recording at frame offset (every sample
// of reference differs when the recording ends early).
std::size_t CountDifferences(std::span<const std::int16_t> recording,
                             std::span<const std::int16_t> reference, std::size_t offsetFrames,
                             unsigned channels);

}  // namespace alsa_test
