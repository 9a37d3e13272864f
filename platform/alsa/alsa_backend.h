#pragma once
// The ALSA backend as an entry of the programs' ordered list of audio backends, and the mixer
// that goes with it.
//
// Thread: dialog (program start).

#include <memory>
#include <string_view>

#include "platform/audio/audio_backend.h"
#include "platform/mixer/mixer.h"
#include "platform/ui/dispatcher.h"

namespace zav::platform::alsa {

inline constexpr std::string_view kAlsaBackendName = "alsa";

// Chosen without being named: it is the real sound. Not available (an empty result) when ALSA
// finds neither an input nor an output device: no sound card and no sound server.
AudioBackend AlsaAudioBackend();

// The ALSA mixer, whose notifications go through dispatcher.
std::unique_ptr<Mixer> CreateAlsaMixer(Dispatcher& dispatcher);

}  // namespace zav::platform::alsa
