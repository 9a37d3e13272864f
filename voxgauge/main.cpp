// VoxGauge: the microphone level check. Runs the setup dialog on the program shell of the system
// it is built for (platform/shell/program_shell.h): the Qt windows, the SQLite store and POSIX
// files on Linux; the host's own dialogs, registry and files on Windows.

#include "platform/shell/program_shell.h"
#include "voxgauge/resources.h"
#include "voxgauge/vox_gauge_app.h"

int main(int argc, char** argv) {
    return zav::platform::RunWindowedProgram(
        argc, argv, voxgauge::kProgram, [](const zav::platform::HostServices& host) {
            voxgauge::CVoxGaugeApp app(
                {host.audio, host.mixer, host.store, host.dispatcher, host.runner});
            app.InitInstance();
        });
}
