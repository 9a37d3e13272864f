// VoxGauge: the microphone level check. Wires the setup dialog to the real store, the sound the
// environment picks (the real sound by default, ZAV_AUDIO=sim for the simulated card) and the
// Qt windows.

#include <cstdio>

#include "platform/hardware/audio_backend_list.h"
#include "platform/qt/qt_application.h"
#include "platform/sqlite/default_registry.h"
#include "voxgauge/vox_gauge_app.h"

int main(int argc, char** argv) {
    namespace platform = zav::platform;
    platform::qt::QtApplication application(argc, argv, "VoxGauge");
    const platform::EnvironmentLookup environment = platform::ProcessEnvironment();
    std::unique_ptr<platform::RegistryStore> store = platform::OpenDefaultRegistry();

    platform::AudioSelection sound =
        platform::ChooseAudioBackend(application.DialogDispatcher(), environment);
    if (!sound.bundle) {
        // Without a sound card the program explains it in its own message; a backend the user
        // named but that could not start is worth a line on the terminal as well.
        if (environment(platform::kAudioBackendVariable))
            std::fprintf(stderr, "voxgauge: %s\n", sound.problem.c_str());
        sound.bundle = platform::NoSoundBundle();
    }

    voxgauge::CVoxGaugeApp app({*sound.bundle.audio, *sound.bundle.mixer, *store,
                                application.DialogDispatcher(), application.Runner()});
    app.InitInstance();
    return 0;
}
