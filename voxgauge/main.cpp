// VoxGauge: the microphone level check. Wires the setup dialog to the real store, the sound the
// environment picks (the real sound by default, ZAV_AUDIO=sim for the simulated card) and the
// Qt windows.

#include <cstdio>
#include <iostream>
#include <optional>
#include <span>
#include <string_view>

#include "packaging/program_info.h"
#include "platform/hardware/audio_backend_list.h"
#include "platform/qt/program_start.h"
#include "platform/qt/qt_application.h"
#include "platform/sqlite/default_registry.h"
#include "voxgauge/vox_gauge_app.h"

namespace {

constexpr std::string_view kHelp =
    "usage: voxgauge [--help | --version]\n"
    "\n"
    "Checks the microphone for Zav: a needle gauge follows your voice while a slider sets\n"
    "the microphone's recording volume, and OK stores the mixer's recording settings for\n"
    "Zav. The program takes no other arguments and ignores any it is given.\n"
    "\n"
    "Environment:\n"
    "  ZAV_AUDIO=sim         the simulated sound card instead of the machine's sound\n"
    "  ZAV_SIM_MIC=FILE.wav  what the simulated card's microphone hears\n"
    "  ZAV_REGISTRY=FILE     the store (by default ~/.local/share/zav/registry.sqlite)\n"
    "  DISPLAY               the X display to show the window on; without one,\n"
    "                        QT_QPA_PLATFORM=offscreen runs the program without a screen\n"
    "\n"
    "See voxgauge(1), keyvoice(1) and zavtool(1).\n";

}  // namespace

int main(int argc, char** argv) {
    namespace platform = zav::platform;
    const platform::EnvironmentLookup environment = platform::ProcessEnvironment();
    const std::optional<int> endStatus = platform::qt::EndBeforeWindows(
        std::span<const char* const>(argv + 1, argv + argc),
        {"voxgauge", zav::packaging::kVersion, kHelp}, environment, std::cout, std::cerr);
    if (endStatus)
        return *endStatus;

    platform::qt::QtApplication application(argv[0],
                                            {"VoxGauge", zav::packaging::kVoxGaugeDesktopId});
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
