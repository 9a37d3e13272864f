// Dialog units become pixels as the host converts them.

#include <gtest/gtest.h>

#include "platform/ui/dialog_units.h"

namespace {

using zav::platform::BaseUnitsFromFont;
using zav::platform::DialogBaseUnits;
using zav::platform::DialogRect;
using zav::platform::MapDialogRect;
using zav::platform::MulDivRounded;
using zav::platform::PixelRect;

TEST(DialogUnits, AverageWidthIsRoundedFromTheLetterSample) {
    const struct {
        int sampleWidth;
        int expected;
    } cases[] = {{311, 6}, {312, 6}, {285, 5}, {286, 6}, {259, 5}, {364, 7}, {337, 6}, {338, 7}};
    for (const auto& c : cases) {
        EXPECT_EQ(BaseUnitsFromFont(c.sampleWidth, 13).averageCharWidth, c.expected)
            << c.sampleWidth;
    }
}

TEST(DialogUnits, MulDivRoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDivRounded(175, 6, 4), 263);   // 262.5
    EXPECT_EQ(MulDivRounded(183, 13, 8), 297);  // 297.375
    EXPECT_EQ(MulDivRounded(-5, 3, 2), -8);     // -7.5
    EXPECT_EQ(MulDivRounded(1, 1, 0), -1);
}

TEST(DialogUnits, EdgesAreConvertedSeparately) {
    const DialogBaseUnits units{6, 13};
    const struct {
        DialogRect rect;
        PixelRect pixels;
    } cases[] = {
        {{175, 183, 50, 14}, {263, 297, 75, 23}},  // right 337.5 -> 338, bottom 320.1 -> 320
        {{0, 0, 230, 202}, {0, 0, 345, 328}},
        {{58, 150, 114, 21}, {87, 244, 171, 34}},
        {{1, 1, 1, 1}, {2, 2, 1, 1}},  // edges 1.5, 1.625, 3 and 3.25
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MapDialogRect(c.rect, units), c.pixels)
            << c.rect.x << "," << c.rect.y << " " << c.rect.width << "x" << c.rect.height;
    }
}

TEST(DialogUnits, ControlsThatTouchInDialogUnitsTouchInPixels) {
    const DialogBaseUnits units{7, 15};
    for (int x = 0; x < 40; ++x) {
        const PixelRect left = MapDialogRect({x, x, 3, 5}, units);
        const PixelRect right = MapDialogRect({x + 3, x + 5, 4, 4}, units);
        EXPECT_EQ(left.x + left.width, right.x);
        EXPECT_EQ(left.y + left.height, right.y);
    }
}

}  // namespace
