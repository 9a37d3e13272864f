#pragma once
// The real sound backends of this build, best first, to head the programs' ordered list of
// audio backends; and the mixer that belongs to an audio system one of them made. Which
// backends there are is decided when the build is configured (one source file per choice).
//
// Thread: dialog (program start).

#include <memory>
#include <vector>

#include "platform/audio/audio_backend.h"
#include "platform/audio/audio_system.h"
#include "platform/mixer/mixer.h"
#include "platform/ui/dispatcher.h"

namespace zav::platform {

// Empty in a build without real sound.
std::vector<AudioBackend> HardwareAudioBackends();

// The mixer of the backend that made audio, its notifications going through dispatcher; null
// when audio does not come from a hardware backend.
std::unique_ptr<Mixer> CreateHardwareMixer(AudioSystem& audio, Dispatcher& dispatcher);

}  // namespace zav::platform
