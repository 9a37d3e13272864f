#include "platform/alsa/alsa_backend.h"

#include "platform/alsa/alsa_audio_system.h"
#include "platform/alsa/alsa_mixer.h"

namespace zav::platform::alsa {

namespace {

std::unique_ptr<AudioSystem> CreateAlsaSystem(const EnvironmentLookup&, std::string& whyNot) {
    auto system = std::make_unique<AlsaAudioSystem>();
    if (system->waveIn().GetNumDevs() == 0 && system->waveOut().GetNumDevs() == 0) {
        whyNot = "no sound device answers (no sound card and no sound server)";
        return nullptr;
    }
    return system;
}

}  // namespace

AudioBackend AlsaAudioBackend() {
    return AudioBackend{kAlsaBackendName, false, CreateAlsaSystem};
}

std::unique_ptr<Mixer> CreateAlsaMixer(Dispatcher& dispatcher) {
    return std::make_unique<AlsaMixer>(dispatcher);
}

}  // namespace zav::platform::alsa
