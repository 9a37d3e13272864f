#include "platform/audio/audio_backend.h"

#include <cstdlib>

#include "platform/audio/no_audio_system.h"
#include "platform/mixer/no_mixer.h"

namespace zav::platform {

EnvironmentLookup ProcessEnvironment() {
    return [](std::string_view name) -> std::optional<std::string> {
        const char* value = std::getenv(std::string(name).c_str());
        if (value == nullptr)
            return std::nullopt;
        return std::string(value);
    };
}

AudioBundle& AudioBundle::operator=(AudioBundle&& other) noexcept {
    if (this != &other) {
        AudioBundle released(std::move(*this));  // goes at the end of this call, in order
        audio = std::move(other.audio);
        mixer = std::move(other.mixer);
        extras = std::move(other.extras);
    }
    return *this;
}

AudioBundle NoSoundBundle() {
    AudioBundle bundle;
    bundle.audio = std::make_unique<NoAudioSystem>();
    bundle.mixer = std::make_unique<NoMixer>();
    return bundle;
}

AudioSelection SelectAudioBackend(std::span<const AudioBackend> backends,
                                  const EnvironmentLookup& env, Dispatcher& dispatcher) {
    AudioSelection selection;
    const std::optional<std::string> named = env(kAudioBackendVariable);
    if (named && !named->empty()) {
        for (const AudioBackend& backend : backends) {
            if (backend.name != *named)
                continue;
            std::string whyNot;
            selection.bundle = backend.create(env, dispatcher, whyNot);
            if (selection.bundle) {
                selection.backend = std::string(backend.name);
            } else {
                selection.problem = "audio backend \"" + *named + "\" is not available";
                if (!whyNot.empty())
                    selection.problem += ": " + whyNot;
            }
            return selection;
        }
        selection.problem = std::string(kAudioBackendVariable) +
                            " names an unknown audio backend \"" + *named + "\"";
        return selection;
    }
    for (const AudioBackend& backend : backends) {
        if (backend.onlyWhenNamed)
            continue;
        std::string whyNot;
        selection.bundle = backend.create(env, dispatcher, whyNot);
        if (selection.bundle) {
            selection.backend = std::string(backend.name);
            return selection;
        }
        if (!whyNot.empty()) {
            if (!selection.problem.empty())
                selection.problem += "; ";
            selection.problem += std::string(backend.name) + ": " + whyNot;
        }
    }
    if (selection.problem.empty())
        selection.problem = "no audio backend is available";
    return selection;
}

}  // namespace zav::platform
