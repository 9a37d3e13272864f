#include "platform/audio/audio_backend.h"

#include <cstdlib>

namespace zav::platform {

EnvironmentLookup ProcessEnvironment() {
    return [](std::string_view name) -> std::optional<std::string> {
        const char* value = std::getenv(std::string(name).c_str());
        if (value == nullptr)
            return std::nullopt;
        return std::string(value);
    };
}

AudioSelection SelectAudioSystem(std::span<const AudioBackend> backends,
                                 const EnvironmentLookup& env) {
    AudioSelection selection;
    const std::optional<std::string> named = env(kAudioBackendVariable);
    if (named && !named->empty()) {
        for (const AudioBackend& backend : backends) {
            if (backend.name != *named)
                continue;
            std::string whyNot;
            selection.system = backend.create(env, whyNot);
            if (selection.system) {
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
        selection.system = backend.create(env, whyNot);
        if (selection.system) {
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
