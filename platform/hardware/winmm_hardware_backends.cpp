// The hardware backends of a Windows build: the host's own sound.

#include "platform/hardware/hardware_backends.h"
#include "platform/winmm/winmm_backend.h"

namespace zav::platform {

std::vector<AudioBackend> HardwareAudioBackends() {
    return {winmm::WinmmAudioBackend()};
}

}  // namespace zav::platform
