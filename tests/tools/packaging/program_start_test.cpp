// What a windowed program settles before Qt starts: its command line's two questions and the
// display it needs.

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/qt/display_check.h"
#include "platform/qt/program_start.h"

namespace zav::platform::qt {
namespace {

using Environment = std::map<std::string, std::string, std::less<>>;

EnvironmentLookup LookupIn(const Environment& variables) {
    return [variables](std::string_view name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        if (found == variables.end())
            return std::nullopt;
        return found->second;
    };
}

struct DisplayCase {
    const char* name;
    Environment variables;
    bool noDisplay;
};

class DisplayCheck : public testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayCheck, FindsWhetherQtHasSomewhereToShowTheWindow) {
    EXPECT_EQ(NoDisplay(LookupIn(GetParam().variables)), GetParam().noDisplay);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, DisplayCheck,
    testing::Values(
        DisplayCase{"NothingSet", {}, true}, DisplayCase{"XDisplay", {{"DISPLAY", ":0"}}, false},
        DisplayCase{"EmptyDisplayIsNone", {{"DISPLAY", ""}}, true},
        DisplayCase{"XcbNamed", {{"QT_QPA_PLATFORM", "xcb"}}, true},
        DisplayCase{"XcbWithArguments", {{"QT_QPA_PLATFORM", "xcb:nograb"}}, true},
        DisplayCase{"Offscreen", {{"QT_QPA_PLATFORM", "offscreen"}}, false},
        DisplayCase{"VncWithArguments", {{"QT_QPA_PLATFORM", "vnc:size=800x600"}}, false},
        DisplayCase{"XcbThenOffscreen", {{"QT_QPA_PLATFORM", "xcb;offscreen"}}, false},
        DisplayCase{"OnlySeparatorsIsTheDefault", {{"QT_QPA_PLATFORM", ";"}}, true},
        DisplayCase{"WaylandNamed", {{"QT_QPA_PLATFORM", "wayland"}}, false},
        DisplayCase{"WaylandDisplay", {{"WAYLAND_DISPLAY", "wayland-0"}}, false},
        DisplayCase{"WaylandSession", {{"XDG_SESSION_TYPE", "wayland"}}, false},
        DisplayCase{"X11SessionWithoutDisplay", {{"XDG_SESSION_TYPE", "x11"}}, true},
        DisplayCase{"XcbNamedInAWaylandSession",
                    {{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}},
                    true},
        DisplayCase{
            "XcbNamedWithADisplay", {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":1"}}, false}),
    [](const testing::TestParamInfo<DisplayCase>& test) { return std::string(test.param.name); });

struct StartRun {
    std::optional<int> status;
    std::string out;
    std::string err;
};

constexpr ProgramText kProgram{"voxgauge", "7.3", "usage: voxgauge\nmore help\n"};

StartRun Start(std::vector<const char*> arguments, const Environment& variables) {
    std::ostringstream out, err;
    StartRun run;
    run.status = EndBeforeWindows(arguments, kProgram, LookupIn(variables), out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

TEST(ProgramStart, AnswersHelpAndVersionWithoutADisplay) {
    const StartRun help = Start({"--help"}, {});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, kProgram.help);
    EXPECT_EQ(help.err, "");

    // Among other words, which are ignored.
    const StartRun version = Start({"-geometry", "--version", "x"}, {});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "voxgauge 7.3\n");
    EXPECT_EQ(version.err, "");
}

TEST(ProgramStart, WithoutADisplaySaysSoInOneLineAndEndsWithStatusOne) {
    const StartRun run = Start({"--fullscreen"}, {{"XDG_SESSION_TYPE", "x11"}});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "voxgauge: " + std::string(kNoDisplayAdvice) + "\n");
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line";
    for (const char* advice : {"DISPLAY", "QT_QPA_PLATFORM=offscreen", "QT_QPA_PLATFORM=vnc"})
        EXPECT_NE(run.err.find(advice), std::string::npos) << advice;
}

TEST(ProgramStart, GoesOnToTheWindowsIgnoringOtherArguments) {
    for (const Environment& variables :
         {Environment{{"DISPLAY", ":0"}}, Environment{{"QT_QPA_PLATFORM", "offscreen"}}}) {
        const StartRun run = Start({"-h", "--verbose", "file.wav"}, variables);
        EXPECT_EQ(run.status, std::nullopt);
        EXPECT_EQ(run.out + run.err, "");
    }
}

}  // namespace
}  // namespace zav::platform::qt
