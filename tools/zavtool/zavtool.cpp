#include "tools/zavtool/zavtool.h"

#include <array>
#include <string_view>

#include "packaging/program_info.h"
#include "tools/zavtool/command.h"

namespace zavtool {

namespace {

// One command: the help lists every entry of the table below, so a command cannot be
// reachable without being described there.
struct CommandEntry {
    std::string_view name;
    ExitStatus (*run)(CommandContext&);
    std::string_view arguments;  // what follows the name, as the help shows it
    std::string_view purpose;
    std::string_view example;  // arguments of one typical call
};

constexpr std::array kCommands{
    CommandEntry{"info", RunInfo, "FILE.wax",
                 "The sound's format, its number of 16-bit samples and its length in seconds.",
                 "cfff7.wax"},
    CommandEntry{"decode", RunDecode, "IN.wax OUT.wav",
                 "Writes the sound as an ordinary 16-bit WAVE file that any player opens.",
                 "cfff7.wax key7.wav"},
    CommandEntry{"encode", RunEncode, "IN.wav OUT.wax",
                 "Writes a 16-bit PCM mono WAVE file as a .wax sound.", "voice.wav voice.wax"},
    CommandEntry{"analyse", RunAnalyse, "FILE.wax",
                 "LEVEL,CLASS of the whole sound, as KeyVoice stores them for a recording.",
                 "cfff7.wax"},
    CommandEntry{"import-key", RunImportKey, "KEY FILE.wav",
                 "Stores a 16-bit mono 22,050 Hz WAVE file of at most 2.00 s as the recording\n"
                 "      of key 6, 7, 8, 9 or 0, as KeyVoice's OK does.",
                 "7 hello.wav"},
    CommandEntry{"demo-install", RunDemoInstall, "DIR [--variant m|f] [--force]",
                 "Makes a sample installation of Zav in DIR that KeyVoice starts on: six\n"
                 "      built-in key sounds, the setup file and the store's two paths.",
                 "~/zav-demo --variant f"},
    CommandEntry{"reg", RunReg,
                 "list | get NAME | set NAME sz|binary|dword VALUE | delete NAME |\n"
                 "              import FILE.reg | export FILE.reg",
                 "Reads and writes the values of Zav's key in the store; import and export use\n"
                 "      the Windows registry editor's text format.",
                 "get ZavSysPath"},
    CommandEntry{"doctor", RunDoctor, "[--seconds S] [--json]",
                 "Checks the installation and the microphone as KeyVoice and VoxGauge see them,\n"
                 "      listening S seconds (2 by default); exit status 0 all well, 1 warnings,\n"
                 "      2 a problem.",
                 "--seconds 3"},
};

constexpr std::string_view kUsage = "usage: zavtool COMMAND [ARGUMENT...]";

void PrintHelp(std::ostream& stream) {
    stream << kUsage << "\n"
           << "       zavtool --help | --version\n\n"
           << "Works on KeyVoice's sound files (.wax) and on the store that KeyVoice, VoxGauge\n"
           << "and Zav share.\n\nCommands:\n";
    for (const CommandEntry& command : kCommands) {
        stream << "  zavtool " << command.name << ' ' << command.arguments << "\n      "
               << command.purpose << "\n      Example: zavtool " << command.name << ' '
               << command.example << "\n";
    }
    stream << "\nThe store is $ZAV_REGISTRY, else $XDG_DATA_HOME/zav/registry.sqlite\n"
           << "(by default ~/.local/share/zav/registry.sqlite).\n"
           << "Exit status: 0 success, 1 the sound file could not be loaded, 2 a usage error or\n"
           << "input that zavtool does not take; the reason is one line on standard error.\n";
}

}  // namespace

ExitStatus Fail(CommandContext& context, ExitStatus status, std::string_view problem) {
    context.err << "zavtool: " << problem << '\n';
    return status;
}

int RunZavtool(std::span<const std::string> args, std::ostream& out, std::ostream& err,
               zav::platform::RegistryStore& registry, zav::platform::FileSystem& files,
               const DoctorMachine* machine) {
    if (args.empty()) {
        err << kUsage << " (zavtool --help lists the commands)\n";
        return static_cast<int>(ExitStatus::Usage);
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintHelp(out);
        return static_cast<int>(ExitStatus::Success);
    }
    if (args[0] == "--version") {
        out << "zavtool " << zav::packaging::kVersion << '\n';
        return static_cast<int>(ExitStatus::Success);
    }
    for (const CommandEntry& command : kCommands) {
        if (args[0] == command.name) {
            CommandContext context{args.subspan(1), out, err, registry, files, machine};
            return static_cast<int>(command.run(context));
        }
    }
    err << "zavtool: unknown command: " << args[0] << " (zavtool --help lists the commands)\n";
    return static_cast<int>(ExitStatus::Usage);
}

}  // namespace zavtool
