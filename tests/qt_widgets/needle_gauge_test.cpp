// The needle gauge: where the needle points for each value, drawn as well as computed.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "platform/qt/needle_gauge.h"

namespace {

using zav::platform::qt::NeedleAngleDegrees;
using zav::platform::qt::NeedleGauge;

TEST(NeedleGauge, SweepsFromLowerLeftOverTheTopToLowerRight) {
    const struct {
        double position;
        double degrees;
    } cases[] = {{0, 150}, {7.5, 90}, {15, 30}, {3, 126}, {12, 54}, {-4, 150}, {99, 30}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(NeedleAngleDegrees(c.position), c.degrees) << c.position;
    }
}

TEST(NeedleGauge, ValuesAreHeldInsideZeroToFifteen) {
    NeedleGauge gauge;
    const struct {
        int given;
        int kept;
    } cases[] = {{0, 0}, {9, 9}, {15, 15}, {16, 15}, {-1, 0}, {32767, 15}};
    for (const auto& c : cases) {
        gauge.SetValue(c.given);
        EXPECT_EQ(gauge.Value(), c.kept) << c.given;
        EXPECT_EQ(gauge.property("value").toInt(), c.kept);
    }
}

// Dark needle pixels in the left and the right third of the drawn gauge.
std::pair<int, int> DarkPixelsLeftAndRight(int value) {
    NeedleGauge gauge;
    gauge.resize(180, 120);
    gauge.SetValue(value);  // hidden, so the needle is drawn at once without gliding
    const QImage image = gauge.grab().toImage();
    int left = 0;
    int right = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (QColor(image.pixel(x, y)).lightness() > 80)
                continue;
            if (x < image.width() / 3)
                ++left;
            if (x >= image.width() * 2 / 3)
                ++right;
        }
    }
    return {left, right};
}

TEST(NeedleGauge, TheNeedleIsDrawnOnTheSideOfItsValue) {
    const auto [quietLeft, quietRight] = DarkPixelsLeftAndRight(0);
    const auto [loudLeft, loudRight] = DarkPixelsLeftAndRight(15);
    const auto [middleLeft, middleRight] = DarkPixelsLeftAndRight(7);

    EXPECT_GT(quietLeft, 30);
    EXPECT_GT(quietLeft, 4 * quietRight);
    EXPECT_GT(loudRight, 30);
    EXPECT_GT(loudRight, 4 * loudLeft);
    // Near the top the needle stays in the middle third.
    EXPECT_LT(middleLeft, quietLeft / 4);
    EXPECT_LT(middleRight, loudRight / 4);
}

}  // namespace
