#include "tools/zavtool/zavtool.h"

#include <array>
#include <string_view>

#include "tools/zavtool/command.h"

namespace zavtool {

namespace {

struct CommandEntry {
    std::string_view name;
    ExitStatus (*run)(CommandContext&);
    std::string_view synopsis;
};

constexpr std::array kCommands{
    CommandEntry{"info", RunInfo, "info FILE.wax            the sound's format and length"},
    CommandEntry{"decode", RunDecode, "decode IN.wax OUT.wav    as an ordinary 16-bit WAVE file"},
    CommandEntry{"encode", RunEncode, "encode IN.wav OUT.wax    from 16-bit PCM mono"},
    CommandEntry{"analyse", RunAnalyse, "analyse FILE.wax         LEVEL,CLASS of the whole sound"},
    CommandEntry{"import-key", RunImportKey,
                 "import-key KEY FILE.wav  store as key 6, 7, 8, 9 or 0's recording"},
    CommandEntry{"demo-install", RunDemoInstall,
                 "demo-install DIR [--variant m|f] [--force]\n"
                 "                                   a sample installation for KeyVoice in DIR"},
    CommandEntry{"reg", RunReg,
                 "reg list | get NAME | set NAME sz|binary|dword VALUE | delete NAME |\n"
                 "    import FILE.reg | export FILE.reg"},
};

void PrintUsage(std::ostream& stream) {
    stream << "usage: zavtool COMMAND ...\n";
    for (const CommandEntry& command : kCommands)
        stream << "  zavtool " << command.synopsis << '\n';
}

}  // namespace

ExitStatus Fail(CommandContext& context, ExitStatus status, std::string_view problem) {
    context.err << "zavtool: " << problem << '\n';
    return status;
}

int RunZavtool(std::span<const std::string> args, std::ostream& out, std::ostream& err,
               zav::platform::RegistryStore& registry, zav::platform::FileSystem& files) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintUsage(args.empty() ? err : out);
        return static_cast<int>(args.empty() ? ExitStatus::Usage : ExitStatus::Success);
    }
    for (const CommandEntry& command : kCommands) {
        if (args[0] == command.name) {
            CommandContext context{args.subspan(1), out, err, registry, files};
            return static_cast<int>(command.run(context));
        }
    }
    err << "zavtool: unknown command: " << args[0] << '\n';
    return static_cast<int>(ExitStatus::Usage);
}

}  // namespace zavtool
