// VoxGauge: the microphone level check. Wires the setup dialog to the real store, the audio
// system the environment picks (the real sound by default, ZAV_AUDIO=sim for the simulated
// card) with its mixer, and the Qt windows.

#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "platform/audio/audio_backend.h"
#include "platform/audio/no_audio_system.h"
#include "platform/hardware/audio_backend_list.h"
#include "platform/hardware/hardware_backends.h"
#include "platform/mixer/no_mixer.h"
#include "platform/qt/qt_application.h"
#include "platform/sim/audio_backends.h"
#include "platform/sim/demo_mixer.h"
#include "platform/sim/demo_voice.h"
#include "platform/sim/mixer_sim.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/sqlite/default_registry.h"
#include "voxgauge/vox_gauge_app.h"

namespace {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;

// What the simulated card brings along when the user asks for it: a mixer, and unless a voice
// file was given, a voice that speaks and follows the mixer's microphone volume.
struct SimExtras {
    std::unique_ptr<sim::SimMixer> mixer;
    std::unique_ptr<sim::DemoMicVolumeLink> volumeLink;

    SimExtras() = default;
    SimExtras(SimExtras&&) = default;
    SimExtras& operator=(SimExtras&&) = default;
    ~SimExtras() {
        volumeLink.reset();  // closes its mixer handle before the mixer goes
        mixer.reset();
    }
};

SimExtras SetUpSimulatedCard(sim::SimSoundCard& card, bool voiceFileGiven,
                             platform::Dispatcher& dispatcher) {
    SimExtras extras;
    extras.mixer = std::make_unique<sim::SimMixer>(sim::DemoMixerTopology(), dispatcher);
    if (!voiceFileGiven) {
        auto volume = std::make_shared<std::atomic<std::uint32_t>>(sim::kDemoMicVolumeStart);
        extras.volumeLink = std::make_unique<sim::DemoMicVolumeLink>(*extras.mixer, volume);
        card.SetMicSignal(sim::SpeakingVoiceMic(volume));
    }
    return extras;
}

}  // namespace

int main(int argc, char** argv) {
    platform::qt::QtApplication application(argc, argv, "VoxGauge");
    const platform::EnvironmentLookup environment = platform::ProcessEnvironment();

    std::unique_ptr<platform::RegistryStore> store = platform::OpenDefaultRegistry();

    platform::AudioSelection audio = platform::CreateAudioSystemFromEnvironment(environment);
    if (!audio.system) {
        // Without a sound card the program explains it in its own message; a backend the user
        // named but that could not start is worth a line on the terminal as well.
        if (environment(platform::kAudioBackendVariable)) {
            std::fprintf(stderr, "voxgauge: %s\n", audio.problem.c_str());
        }
        audio.system = std::make_unique<platform::NoAudioSystem>();
    }

    SimExtras simExtras;
    if (auto* card = dynamic_cast<sim::SimSoundCard*>(audio.system.get())) {
        const std::optional<std::string> voiceFile = environment(sim::kSimMicVariable);
        simExtras =
            SetUpSimulatedCard(*card, voiceFile && !voiceFile->empty(), application.dispatcher());
    }
    // The real backends bring their own mixer; without one the program runs without a volume
    // control.
    const std::unique_ptr<platform::Mixer> hardwareMixer =
        platform::CreateHardwareMixer(*audio.system, application.dispatcher());
    platform::NoMixer noMixer;
    platform::Mixer& mixer = simExtras.mixer ? static_cast<platform::Mixer&>(*simExtras.mixer)
                             : hardwareMixer ? *hardwareMixer
                                             : static_cast<platform::Mixer&>(noMixer);

    voxgauge::CVoxGaugeApp app(
        {*audio.system, mixer, *store, application.dispatcher(), application.runner()});
    app.InitInstance();
    return 0;
}
