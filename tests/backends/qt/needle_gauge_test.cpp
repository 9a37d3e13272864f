// The needle gauge widget: its value, where the needle is drawn, and what a glide repaints.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPaintEvent>
#include <vector>

#include "platform/qt/needle_gauge.h"
#include "qt_test_environment.h"

namespace {

using zav::platform::qt::NeedleGauge;

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

// What a fresh, hidden gauge draws: the needle at value at once, without gliding.
QImage DrawnAt(QSize size, int value) {
    NeedleGauge gauge;
    gauge.resize(size);
    gauge.SetValue(value);
    return gauge.grab().toImage();
}

// Dark needle pixels in the left and the right third of the drawn gauge.
std::pair<int, int> DarkPixelsLeftAndRight(int value) {
    const QImage image = DrawnAt({180, 120}, value);
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

// Records the areas a widget is asked to paint.
class PaintAreas : public QObject {
  public:
    std::vector<QRegion> areas;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            areas.push_back(static_cast<QPaintEvent*>(event)->region());
        return false;
    }
};

// The face is drawn once and reused, and the glide repaints only around the needle; what the
// shown gauge ends up drawing must still be what a fresh gauge draws at that value and size.
TEST(NeedleGauge, AGlideRepaintsAroundTheNeedleAndEndsAsAFreshDrawing) {
    NeedleGauge gauge;
    gauge.resize(180, 120);
    PaintAreas painted;
    gauge.installEventFilter(&painted);
    gauge.show();
    ASSERT_TRUE(qt_test::WaitFor([&] { return !painted.areas.empty(); }));  // the whole face
    painted.areas.clear();

    gauge.SetValue(15);
    ASSERT_TRUE(qt_test::WaitFor([&] { return gauge.NeedlePosition() == 15.0; }));
    ASSERT_TRUE(qt_test::WaitFor([&] { return !painted.areas.empty(); }));
    for (const QRegion& area : painted.areas) {
        int pixels = 0;
        for (const QRect& part : area)
            pixels += part.width() * part.height();
        EXPECT_LT(pixels, gauge.width() * gauge.height() / 2)
            << area.boundingRect().x() << "," << area.boundingRect().y() << " "
            << area.boundingRect().width() << "x" << area.boundingRect().height();
    }
    gauge.removeEventFilter(&painted);
    EXPECT_EQ(gauge.grab().toImage(), DrawnAt({180, 120}, 15));

    // A new size draws a new face rather than the cached one.
    gauge.resize(240, 160);
    EXPECT_EQ(gauge.grab().toImage(), DrawnAt({240, 160}, 15));
}

}  // namespace
