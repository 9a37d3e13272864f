#include "platform/ui/program_text.h"

#include <algorithm>

namespace zav::platform {

namespace {

constexpr EnvironmentVariable kSoundVariableList[] = {
    {"ZAV_AUDIO=sim", "the simulated sound card instead of the machine's sound"},
    {"ZAV_SIM_MIC=FILE.wav", "what the simulated card's microphone hears"},
};

}  // namespace

const std::span<const EnvironmentVariable> kSoundVariables = kSoundVariableList;

std::string ComposeHelp(const ProgramHelp& help, std::string_view systemParagraph,
                        std::span<const EnvironmentVariable> systemVariables,
                        std::string_view seeAlso) {
    const std::span<const EnvironmentVariable> lists[] = {kSoundVariables, help.variables,
                                                          systemVariables};
    std::size_t width = 0;
    for (const std::span<const EnvironmentVariable> list : lists) {
        for (const EnvironmentVariable& variable : list)
            width = std::max(width, variable.name.size());
    }
    const std::string indent(2 + width + 2, ' ');

    std::string text(help.usage);
    text += '\n';
    if (!systemParagraph.empty()) {
        text += systemParagraph;
        text += '\n';
    }
    text += "Environment:\n";
    for (const std::span<const EnvironmentVariable> list : lists) {
        for (const EnvironmentVariable& variable : list) {
            text += "  ";
            text += variable.name;
            text += std::string(width - variable.name.size() + 2, ' ');
            for (const char c : variable.meaning) {
                text += c;
                if (c == '\n')
                    text += indent;
            }
            text += '\n';
        }
    }
    text += '\n';
    text += seeAlso;
    return text;
}

std::optional<std::string> CommandLineAnswer(std::span<const std::string> arguments,
                                             const ProgramText& program) {
    for (const std::string& argument : arguments) {
        if (argument == "--help")
            return std::string(program.help);
        if (argument == "--version")
            return std::string(program.command) + ' ' + std::string(program.version) + '\n';
    }
    return std::nullopt;
}

}  // namespace zav::platform
