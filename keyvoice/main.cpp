// KeyVoice: the key sound recorder. Runs the recorder dialog on the program shell of the system
// it is built for (platform/shell/program_shell.h): the Qt windows, the SQLite store and POSIX
// files on Linux; the host's own dialogs, registry and files on Windows.

#include "keyvoice/key_voice_app.h"
#include "keyvoice/resources.h"
#include "platform/shell/program_shell.h"

int main(int argc, char** argv) {
    return zav::platform::RunWindowedProgram(
        argc, argv, keyvoice::kProgram, [](const zav::platform::HostServices& host) {
            keyvoice::CKeyVoiceApp app({host.audio, host.mixer, host.timer, host.store, host.files,
                                        host.dispatcher, host.runner});
            app.InitInstance();
        });
}
