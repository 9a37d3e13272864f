// The recorder's level meter on the fake window: where its 15 segments lie, which of them a
// level lights and in which colours, the background it keeps, and levels set from other threads.

#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

#include "keyvoice/info_wnd.h"
#include "keyvoice/resources.h"
#include "platform/testing/fake_dialog_view.h"
#include "platform/testing/manual_dispatcher.h"
#include "platform/testing/manual_timers.h"
#include "platform/testing/recording_message_boxes.h"

namespace {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;
using keyvoice::CInfoWnd;
using keyvoice::kIdcMeterFrame;
using platform::ClientRect;
using platform::Rgb;

constexpr Rgb kDarkGreen{0, 127, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kFace = sim::kFakeDialogFace;  // what the frame shows behind the meter
constexpr Rgb kOtherFace{40, 60, 200};

// The recorder's template in a fake window, with the meter frame given a client area.
struct MeterRig {
    explicit MeterRig(ClientRect frameClient = {0, 0, 20, 150}) {
        view.SetControlClientRect(kIdcMeterFrame, frameClient);
    }

    bool Create() { return meter.CreateMeter(view, kIdcMeterFrame) == 1; }
    sim::FakeCanvas& Canvas() { return *view.PaintedCanvas(kIdcMeterFrame); }
    // The colour in the middle of a segment.
    Rgb SegmentColour(int segment) {
        const ClientRect& rect = meter.Segments()[segment];
        return Canvas().PixelAt((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    }

    sim::ManualDispatcher dispatcher;
    sim::RecordingMessageBoxes boxes;
    sim::ManualTimers timers;
    sim::FakeDialogView view{keyvoice::KeyVoiceTemplate(), boxes, timers};
    CInfoWnd meter{dispatcher};
};

struct SegmentRows {
    int segment;
    int top;
    int bottom;  // excluded when filled
};

TEST(LevelMeter, SegmentsStackUpFromTheBottomOfTheClientArea) {
    // At 150 rows: 7 rows each with 3 between, the lowest starting on row 141.
    std::vector<SegmentRows> rows150;
    for (int segment = 0; segment < keyvoice::kMeterSegmentCount; ++segment)
        rows150.push_back({segment, 141 - 10 * segment, 148 - 10 * segment});
    const std::vector<std::pair<int, std::vector<SegmentRows>>> cases{
        {150, rows150},
        {138, {{0, 129, 136}, {14, 1, 7}}},
    };
    constexpr int kWidth = 20;
    for (const auto& [height, rows] : cases) {
        MeterRig rig({0, 0, kWidth, height});
        ASSERT_TRUE(rig.Create());
        rig.meter.SetLevel(15);
        for (const SegmentRows& row : rows) {
            const ClientRect& rect = rig.meter.Segments()[row.segment];
            EXPECT_EQ(rect, (ClientRect{2, row.top, kWidth - 2, row.bottom}))
                << "height " << height << " segment " << row.segment;
            // The fill covers the top row and stops above the bottom one.
            EXPECT_NE(rig.Canvas().PixelAt(kWidth / 2, row.top), kFace);
            EXPECT_NE(rig.Canvas().PixelAt(kWidth / 2, row.bottom - 1), kFace);
            EXPECT_EQ(rig.Canvas().PixelAt(kWidth / 2, row.bottom), kFace);
            EXPECT_EQ(rig.Canvas().PixelAt(1, row.top), kFace);
            EXPECT_EQ(rig.Canvas().PixelAt(kWidth - 2, row.top), kFace);
        }
    }
}

TEST(LevelMeter, ALevelLightsThatManySegmentsFromTheBottomInTheirBandColours) {
    struct Case {
        int level;
        int lit;
        std::vector<Rgb> litColours;  // from segment 0 up
    };
    const std::vector<Rgb> allLit{kDarkGreen, kDarkGreen, kDarkGreen, kDarkGreen, kDarkGreen,
                                  kDarkGreen, kDarkGreen, kDarkGreen, kGreen,     kGreen,
                                  kGreen,     kYellow,    kYellow,    kYellow,    kRed};
    const std::vector<Case> cases{
        {0, 0, {}},
        {9, 9, std::vector<Rgb>(allLit.begin(), allLit.begin() + 9)},
        {15, 15, allLit},
        {16, 15, allLit},  // past the top: held at 15, never beyond the last segment
        {1000, 15, allLit},
        {-4, 0, {}},
    };
    MeterRig rig;
    ASSERT_TRUE(rig.Create());
    for (const Case& c : cases) {
        EXPECT_EQ(rig.meter.SetLevel(c.level), 0);
        EXPECT_EQ(rig.meter.Level(), c.lit);
        for (int segment = 0; segment < keyvoice::kMeterSegmentCount; ++segment) {
            const Rgb expected = segment < c.lit ? c.litColours[segment] : kFace;
            EXPECT_EQ(rig.SegmentColour(segment), expected)
                << "level " << c.level << " segment " << segment;
        }
    }
}

TEST(LevelMeter, CreationAttachesTheMeterAndPaintsItDarkAndDestroyingDetachesIt) {
    MeterRig rig;
    EXPECT_EQ(rig.meter.CreateMeter(rig.view, kIdcMeterFrame), 1);
    EXPECT_EQ(rig.view.PainterOf(kIdcMeterFrame), &rig.meter);
    EXPECT_EQ(rig.view.PaintCount(kIdcMeterFrame), 1);
    EXPECT_EQ(rig.Canvas().Fills().size(), static_cast<size_t>(keyvoice::kMeterSegmentCount));
    for (const sim::FakeFill& fill : rig.Canvas().Fills())
        EXPECT_EQ(fill.colour, kFace);

    // A control without a client area gets no meter.
    CInfoWnd nowhere(rig.dispatcher);
    EXPECT_EQ(nowhere.CreateMeter(rig.view, 4242), 0);
    EXPECT_FALSE(nowhere.IsCreated());

    // The background is taken at the first paint and kept.
    rig.meter.SetLevel(2);
    EXPECT_EQ(rig.SegmentColour(2), kFace);
    rig.Canvas().SetBackground(kOtherFace);
    rig.meter.SetLevel(4);
    EXPECT_EQ(rig.SegmentColour(3), kDarkGreen);
    EXPECT_EQ(rig.SegmentColour(4), kFace);
    EXPECT_EQ(rig.SegmentColour(14), kFace);

    // A repaint by the window (uncovered, say) shows the current level.
    rig.meter.SetLevel(7);
    rig.Canvas().ClearFills();
    rig.view.Repaint(kIdcMeterFrame);
    EXPECT_EQ(rig.SegmentColour(6), kDarkGreen);
    EXPECT_NE(rig.SegmentColour(7), kDarkGreen);

    rig.meter.DestroyMeter();
    EXPECT_EQ(rig.view.PainterOf(kIdcMeterFrame), nullptr);
    EXPECT_EQ(rig.meter.SetLevel(5), 0);  // no window left to paint: nothing happens
}

TEST(LevelMeter, ALevelSetOnAnotherThreadIsPaintedOnTheDialogThread) {
    MeterRig rig;
    ASSERT_TRUE(rig.Create());
    const int paintsBefore = rig.view.PaintCount(kIdcMeterFrame);

    std::thread timerThread([&rig] {
        EXPECT_EQ(rig.meter.SetLevel(3), 0);
        EXPECT_EQ(rig.meter.SetLevel(12), 0);
    });
    timerThread.join();

    // Nothing is drawn from the timer's thread.
    EXPECT_EQ(rig.view.PaintCount(kIdcMeterFrame), paintsBefore);
    EXPECT_EQ(rig.SegmentColour(0), kFace);

    EXPECT_GE(rig.dispatcher.RunPending(), 1u);
    EXPECT_GT(rig.view.PaintCount(kIdcMeterFrame), paintsBefore);
    EXPECT_EQ(rig.SegmentColour(11), kYellow);
    EXPECT_EQ(rig.SegmentColour(12), kFace);
}

}  // namespace
