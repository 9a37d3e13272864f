// The hardware backends of a build with ALSA.

#include "platform/alsa/alsa_backend.h"
#include "platform/hardware/hardware_backends.h"

namespace zav::platform {

std::vector<AudioBackend> HardwareAudioBackends() {
    return {alsa::AlsaAudioBackend()};
}

}  // namespace zav::platform
