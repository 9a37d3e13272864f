#pragma once
// The audio backends the programs choose from, best first, and the one call that picks one
// from the environment (ZAV_AUDIO names a backend; without it the first that starts is used).
//
// Thread: dialog (program start).

#include <vector>

#include "platform/audio/audio_backend.h"

namespace zav::platform {

// The hardware backends of this build (hardware_backends.h), then the simulated card.
std::vector<AudioBackend> AudioBackends();

// Picks the sound for a program from the environment; the bundle's notifications go through
// dispatcher.
AudioSelection ChooseAudioBackend(Dispatcher& dispatcher,
                                  const EnvironmentLookup& env = ProcessEnvironment());

}  // namespace zav::platform
