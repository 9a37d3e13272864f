#pragma once
// The simulated card as a backend of the programs' ordered list (platform/hardware/
// audio_backend_list.h). It is used only when ZAV_AUDIO=sim names it. Its bundle: the card on
// its own thread, the demo mixer (demo_mixer.h), and the microphone's voice: ZAV_SIM_MIC=FILE.wav
// (a RIFF WAVE file of 8- or 16-bit PCM, played in a loop), or else a speaking voice that
// follows the demo mixer's microphone volume. ZAV_SIM_SPEAKER=FILE.wav keeps what the card's
// speaker played, written as a WAVE file when the program ends, for a person to listen to. A
// broken host rule is reported on standard error and the program goes on.
//
// Thread: dialog (program start).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/audio_backend.h"

namespace zav::platform::sim {

inline constexpr std::string_view kSimBackendName = "sim";
inline constexpr std::string_view kSimMicVariable = "ZAV_SIM_MIC";
inline constexpr std::string_view kSimSpeakerVariable = "ZAV_SIM_SPEAKER";
// A voice file larger than this is refused rather than read into memory.
inline constexpr std::uint64_t kMaxSimMicFileBytes = 64ull * 1024 * 1024;

AudioBackend SimAudioBackend();

}  // namespace zav::platform::sim
