// Late ticks keep to their grid: on time or a little late they count for their own deadline,
// more than a period late they jump to the latest deadline rather than catching up one by one.

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/timer/tick_deadline.h"

namespace {

using zav::platform::LatestDeadline;

TEST(LatestDeadline, StaysOnTheGridAndSkipsWhatAStallMissed) {
    struct Case {
        const char* what;
        std::uint64_t due;
        std::uint64_t now;
        std::uint64_t expected;
    };
    constexpr std::uint64_t kPeriod = 100;
    const Case cases[] = {
        {"early", 300, 250, 300},
        {"on time", 300, 300, 300},
        {"late by less than a period", 300, 399, 300},
        {"late by exactly a period", 300, 400, 400},
        {"late by two and a half periods", 300, 550, 500},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LatestDeadline(c.due, c.now, kPeriod), c.expected) << c.what;
}

}  // namespace
