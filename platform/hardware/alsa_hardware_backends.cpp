// The hardware backends of a build with ALSA.

#include "platform/alsa/alsa_audio_system.h"
#include "platform/alsa/alsa_backend.h"
#include "platform/hardware/hardware_backends.h"

namespace zav::platform {

std::vector<AudioBackend> HardwareAudioBackends() {
    return {alsa::AlsaAudioBackend()};
}

std::unique_ptr<Mixer> CreateHardwareMixer(AudioSystem& audio, Dispatcher& dispatcher) {
    if (dynamic_cast<alsa::AlsaAudioSystem*>(&audio) == nullptr)
        return nullptr;
    return alsa::CreateAlsaMixer(dispatcher);
}

}  // namespace zav::platform
