#pragma once
// Picks the audio backend a program uses, from one ordered list. The variable ZAV_AUDIO names
// a backend explicitly; without it, the backends that may be chosen silently are tried in
// order and the first one available wins. A backend that is not available here gives an
// empty result, not an error. The simulated card is only ever chosen by name.
//
// Thread: dialog (program start).

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/audio/audio_system.h"

namespace zav::platform {

// Reads one environment variable; nullopt when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view name)>;

// The process's own environment.
EnvironmentLookup ProcessEnvironment();

inline constexpr std::string_view kAudioBackendVariable = "ZAV_AUDIO";

struct AudioBackend {
    std::string_view name;
    // True for a backend that is used only when ZAV_AUDIO names it.
    bool onlyWhenNamed = false;
    // Builds the backend, or gives nullptr and says why in whyNot.
    std::function<std::unique_ptr<AudioSystem>(const EnvironmentLookup& env, std::string& whyNot)>
        create;
};

struct AudioSelection {
    std::unique_ptr<AudioSystem> system;  // null when nothing is available
    std::string backend;                  // the name of the chosen backend
    std::string problem;                  // why nothing was chosen, for a diagnostic
};

AudioSelection SelectAudioSystem(std::span<const AudioBackend> backends,
                                 const EnvironmentLookup& env);

}  // namespace zav::platform
