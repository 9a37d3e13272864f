#include "platform/alsa/alsa_backend.h"

#include "platform/alsa/alsa_audio_system.h"
#include "platform/alsa/alsa_mixer.h"

namespace zav::platform::alsa {

namespace {

AudioBundle CreateAlsaBundle(const EnvironmentLookup&, Dispatcher& dispatcher,
                             std::string& whyNot) {
    AudioBundle bundle;
    auto system = std::make_unique<AlsaAudioSystem>();
    if (!system->AnyDeviceAnswers()) {
        whyNot = "no sound device answers (no sound card and no sound server)";
        return bundle;
    }
    bundle.audio = std::move(system);
    bundle.mixer = std::make_unique<AlsaMixer>(dispatcher);
    return bundle;
}

}  // namespace

AudioBackend AlsaAudioBackend() {
    return AudioBackend{kAlsaBackendName, false, CreateAlsaBundle};
}

}  // namespace zav::platform::alsa
