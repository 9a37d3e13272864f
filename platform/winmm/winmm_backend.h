#pragma once
// The WinMM backend as an entry of the programs' ordered list of audio backends: the wave
// devices, the DirectSound hold and the mixer of the host's own sound, built together.
//
// Thread: dialog (program start).

#include <string_view>

#include "platform/audio/audio_backend.h"

namespace zav::platform::winmm {

inline constexpr std::string_view kWinmmBackendName = "winmm";

// Chosen without being named: it is the real sound. Not available (an empty bundle) when the
// system has neither a wave-input nor a wave-output device.
AudioBackend WinmmAudioBackend();

}  // namespace zav::platform::winmm
