#include "platform/winmm/winmm_backend.h"

#include "platform/winmm/winmm_audio_system.h"
#include "platform/winmm/winmm_mixer.h"

namespace zav::platform::winmm {

namespace {

AudioBundle CreateWinmmBundle(const EnvironmentLookup&, Dispatcher& dispatcher,
                              std::string& whyNot) {
    AudioBundle bundle;
    auto system = std::make_unique<WinmmAudioSystem>();
    if (system->WaveIn().GetNumDevs() == 0 && system->WaveOut().GetNumDevs() == 0) {
        whyNot = "the system has no wave device (no sound card, or no sound server for Wine)";
        return bundle;
    }
    bundle.audio = std::move(system);
    bundle.mixer = std::make_unique<WinmmMixer>(dispatcher);
    return bundle;
}

}  // namespace

AudioBackend WinmmAudioBackend() {
    return AudioBackend{kWinmmBackendName, false, CreateWinmmBundle};
}

}  // namespace zav::platform::winmm
