#pragma once
// The real sound backends of this build, best first, to head the programs' ordered list of
// audio backends. Which backends there are is decided when the build is configured: each is an
// entry of the table in CMakeLists.txt, compiled in when the build has its library.
//
// Thread: dialog (program start).

#include <vector>

#include "platform/audio/audio_backend.h"

namespace zav::platform {

// Empty in a build without real sound.
std::vector<AudioBackend> HardwareAudioBackends();

}  // namespace zav::platform
