// The test clock for dialog timers: ticks in time order, and changes made by a tick take effect
// at once.

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/testing/manual_timers.h"

namespace {

using zav::platform::sim::ManualTimers;

TEST(ManualTimers, TicksArriveInTimeOrderWithTiesByIdentifier) {
    ManualTimers timers;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> ticks;
    timers.Bind([&](std::uint32_t id) { ticks.emplace_back(timers.NowMs(), id); });
    timers.SetTimer(7, 30);
    timers.SetTimer(3, 20);

    timers.Advance(60);

    const std::vector<std::pair<std::uint64_t, std::uint32_t>> expected{
        {20, 3}, {30, 7}, {40, 3}, {60, 3}, {60, 7}};
    EXPECT_EQ(ticks, expected);
    EXPECT_EQ(timers.NowMs(), 60u);
}

TEST(ManualTimers, ATimerKilledByATickDeliversNothingMoreAndSettingOneRestartsItsPeriod) {
    ManualTimers timers;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> ticks;
    timers.Bind([&](std::uint32_t id) {
        ticks.emplace_back(timers.NowMs(), id);
        if (id == 100)
            timers.KillTimer(id);
    });
    timers.SetTimer(100, 100);
    timers.SetTimer(1, 100);
    timers.Advance(50);
    timers.SetTimer(1, 100);

    timers.Advance(950);

    EXPECT_FALSE(timers.IsRunning(100));
    EXPECT_FALSE(timers.KillTimer(100));
    ASSERT_GE(ticks.size(), 3u);
    const std::vector<std::pair<std::uint64_t, std::uint32_t>> first{
        {100, 100}, {150, 1}, {250, 1}};
    EXPECT_EQ(std::vector(ticks.begin(), ticks.begin() + 3), first);
    EXPECT_EQ(std::ranges::count(ticks, 100u, &std::pair<std::uint64_t, std::uint32_t>::second), 1);
}

}  // namespace
