// KeyVoice: the key sound recorder. Wires the recorder dialog to the real store and files, the
// multimedia timer, the sound the environment picks (the real sound by default, ZAV_AUDIO=sim
// for the simulated card) and the Qt windows.

#include <cstdio>

#include "keyvoice/key_voice_app.h"
#include "platform/hardware/audio_backend_list.h"
#include "platform/posix/posix_file_system.h"
#include "platform/qt/qt_application.h"
#include "platform/sqlite/default_registry.h"
#include "platform/timer/thread_timer.h"

int main(int argc, char** argv) {
    namespace platform = zav::platform;
    platform::qt::QtApplication application(argc, argv, "KeyVoice");
    const platform::EnvironmentLookup environment = platform::ProcessEnvironment();
    std::unique_ptr<platform::RegistryStore> store = platform::OpenDefaultRegistry();
    platform::PosixFileSystem files;
    platform::ThreadTimer timer;

    platform::AudioSelection sound =
        platform::ChooseAudioBackend(application.DialogDispatcher(), environment);
    if (!sound.bundle) {
        // Without a sound card the program explains it in its own message; a backend the user
        // named but that could not start is worth a line on the terminal as well.
        if (environment(platform::kAudioBackendVariable))
            std::fprintf(stderr, "keyvoice: %s\n", sound.problem.c_str());
        sound.bundle = platform::NoSoundBundle();
    }

    keyvoice::CKeyVoiceApp app({*sound.bundle.audio, *sound.bundle.mixer, timer, *store, files,
                                application.DialogDispatcher(), application.Runner()});
    app.InitInstance();
    return 0;
}
