// The hardware backends of a build without real sound: none.

#include "platform/hardware/hardware_backends.h"

namespace zav::platform {

std::vector<AudioBackend> HardwareAudioBackends() {
    return {};
}

}  // namespace zav::platform
