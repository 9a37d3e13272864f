#pragma once
// Picks the sound a program uses, from one ordered list of backends. The variable ZAV_AUDIO
// names a backend explicitly; without it, the backends that may be chosen silently are tried in
// order and the first one available wins. A backend that is not available here gives an empty
// bundle, not an error. The simulated card is only ever chosen by name.
//
// Each backend builds everything that belongs together as one bundle: the audio system, the
// mixer of the same sound (a machine's mixer goes with its wave devices), and whatever the two
// need kept alive beside them. A program's main picks one bundle and passes its parts on.
//
// Thread: dialog (program start).

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/audio/audio_system.h"
#include "platform/mixer/mixer.h"
#include "platform/ui/dispatcher.h"

namespace zav::platform {

// Reads one environment variable; nullopt when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view name)>;

// The process's own environment.
EnvironmentLookup ProcessEnvironment();

inline constexpr std::string_view kAudioBackendVariable = "ZAV_AUDIO";

// Anything else a backend keeps alive with its audio system and mixer.
class BackendExtras {
  public:
    virtual ~BackendExtras() = default;
};

// What one backend brings: its audio system and, whenever there is one, a mixer (NoMixer when
// the sound has none). Empty (no audio system) when the backend is not available. The parts go
// in reverse order: extras, mixer, audio system.
struct AudioBundle {
    std::unique_ptr<AudioSystem> audio;
    std::unique_ptr<Mixer> mixer;
    std::unique_ptr<BackendExtras> extras;

    AudioBundle() = default;
    AudioBundle(AudioBundle&&) = default;
    // The parts held so far go in reverse order too.
    AudioBundle& operator=(AudioBundle&& other) noexcept;
    ~AudioBundle() = default;

    explicit operator bool() const { return audio != nullptr; }
};

// The sound of a machine without any: no wave devices, no mixer. Programs run on it to show
// their own "no device" messages.
AudioBundle NoSoundBundle();

struct AudioBackend {
    std::string_view name;
    // True for a backend that is used only when ZAV_AUDIO names it.
    bool onlyWhenNamed = false;
    // Builds the bundle, its notifications going through dispatcher (which must outlive it),
    // or gives an empty one and says why in whyNot.
    std::function<AudioBundle(const EnvironmentLookup& env, Dispatcher& dispatcher,
                              std::string& whyNot)>
        create;
};

struct AudioSelection {
    AudioBundle bundle;   // empty when nothing is available
    std::string backend;  // the name of the chosen backend
    std::string problem;  // why nothing was chosen, for a diagnostic
};

AudioSelection SelectAudioBackend(std::span<const AudioBackend> backends,
                                  const EnvironmentLookup& env, Dispatcher& dispatcher);

}  // namespace zav::platform
