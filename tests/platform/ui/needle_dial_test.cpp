// The needle gauge's dial as every backend draws it: the needle's angle and its glide.

#include <gtest/gtest.h>

#include "platform/ui/needle_dial.h"

namespace zav::platform {
namespace {

TEST(NeedleDial, TheNeedleSweepsFromLowerLeftOverTheTopToLowerRight) {
    const struct {
        double position;
        double degrees;
    } cases[] = {{0, 150}, {7.5, 90}, {15, 30}, {3, 126}, {12, 54}, {-4, 150}, {99, 30}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(NeedleAngleDegrees(c.position), c.degrees) << c.position;
    }
}

// A cubic ease-out, fast at first and gentle at the end: at a time t of the glide the needle
// has gone 1 - (1 - t)^3 of the way.
TEST(NeedleDial, AGlideEasesOutAndEndsOnItsTarget) {
    const struct {
        double from;
        double to;
        double elapsedMs;
        double position;
    } cases[] = {
        {0, 15, 0, 0},       {0, 15, 60, 13.125}, {0, 15, 30, 15 * (1 - 0.421875)},
        {0, 15, 120, 15},    {0, 15, 500, 15},    {12, 4, 60, 12 - 8 * 0.875},
        {3.5, 3.5, 60, 3.5}, {0, 15, -5, 0},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(NeedleGlidePosition(c.from, c.to, c.elapsedMs), c.position, 1e-9)
            << c.from << " to " << c.to << " after " << c.elapsedMs;
    }
}

}  // namespace
}  // namespace zav::platform
