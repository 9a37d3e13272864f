#include "platform/hardware/audio_backend_list.h"

#include "platform/hardware/hardware_backends.h"
#include "platform/sim/audio_backends.h"

namespace zav::platform {

std::vector<AudioBackend> AudioBackends() {
    std::vector<AudioBackend> backends = HardwareAudioBackends();
    backends.push_back(sim::SimAudioBackend());
    return backends;
}

AudioSelection ChooseAudioBackend(Dispatcher& dispatcher, const EnvironmentLookup& env) {
    const std::vector<AudioBackend> backends = AudioBackends();
    return SelectAudioBackend(backends, env, dispatcher);
}

}  // namespace zav::platform
