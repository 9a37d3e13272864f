#pragma once
// A voice for the simulated microphone when a person tries a program on the simulated card:
// syllables of a low voice with short pauses and a breath now and then, getting softer and
// louder in slow waves, so that a level meter has something lively to follow. With a volume
// source the loudness also follows the microphone volume a mixer holds (32768 is unchanged,
// 0 silent, 65535 about twice as loud).

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/sim/mic_signal.h"

namespace zav::platform::sim {

inline constexpr std::uint32_t kUnityMicVolume = 32768;

// micVolume may be null (the voice keeps its own loudness). It is read with each sample, so it
// must be safe to read from the card's thread: it is an atomic for that reason.
MicSignal SpeakingVoiceMic(std::shared_ptr<const std::atomic<std::uint32_t>> micVolume = nullptr);

}  // namespace zav::platform::sim
