// zavtool's help as a user reads it: every command it lists has an example, and every example
// is a call the command takes.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/zavtool/zavtool_runner.h"

namespace {

struct HelpEntry {
    std::string command;               // "info"
    std::vector<std::string> example;  // the words after "zavtool"
};

std::vector<std::string> Words(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> words;
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

// Entries start with "  zavtool NAME ..."; their example is "      Example: zavtool ...".
std::vector<HelpEntry> ReadEntries(const std::string& help) {
    constexpr std::string_view kEntry = "  zavtool ";
    constexpr std::string_view kExample = "      Example: zavtool ";
    std::vector<HelpEntry> entries;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(kEntry)) {
            entries.push_back({Words(line.substr(kEntry.size())).front(), {}});
        } else if (line.starts_with(kExample) && !entries.empty()) {
            EXPECT_TRUE(entries.back().example.empty()) << "two examples: " << line;
            entries.back().example = Words(line.substr(kExample.size()));
        }
    }
    return entries;
}

TEST(ZavtoolHelp, ListsEveryCommandWithAnExampleThatTheCommandTakes) {
    ZavtoolRunner tool;
    const ZavtoolRun help = tool.Run({"--help"});
    ASSERT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    const std::vector<HelpEntry> entries = ReadEntries(help.out);
    ASSERT_FALSE(entries.empty()) << help.out;

    for (const HelpEntry& entry : entries) {
        SCOPED_TRACE(entry.command);
        ASSERT_FALSE(entry.example.empty()) << "no example";
        EXPECT_EQ(entry.example.front(), entry.command);
        // On an empty store and file system an example may fail for want of its file or value,
        // but never as a usage error or an unknown command.
        const ZavtoolRun run = tool.Run(entry.example);
        EXPECT_EQ(run.err.find("usage:"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("unknown command"), std::string::npos) << run.err;
    }
}

TEST(ZavtoolHelp, WithoutACommandPointsToTheHelpInOneLine) {
    ZavtoolRunner tool;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"play"}}) {
        const ZavtoolRun run = tool.Run(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
        EXPECT_NE(run.err.find("zavtool --help"), std::string::npos) << run.err;
    }
}

}  // namespace
