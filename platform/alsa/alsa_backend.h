#pragma once
// The ALSA backend as an entry of the programs' ordered list of audio backends: the wave
// devices and the mixer of the same sound, built together.
//
// Thread: dialog (program start).

#include <string_view>

#include "platform/audio/audio_backend.h"

namespace zav::platform::alsa {

inline constexpr std::string_view kAlsaBackendName = "alsa";

// Chosen without being named: it is the real sound. Not available (an empty bundle) when ALSA
// finds neither an input nor an output device: no sound card and no sound server.
AudioBackend AlsaAudioBackend();

}  // namespace zav::platform::alsa
