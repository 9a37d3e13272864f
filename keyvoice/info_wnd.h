#pragma once
// The level meter of the recorder dialog: 15 segments stacked in the sunken frame 1013 (segment
// 0 at the bottom), lit from the bottom up to the level the voice analysis gave, dark ones
// painted in the colour behind the meter so that they do not show.
//
// The meter is a painter on the dialog view's painting seam: the window backend calls OnPaint
// whenever the meter's child window needs drawing, and the meter draws the level it holds. So a
// repaint (the window uncovered, say) shows the current level instead of darkening the meter.
//
// Threads: CreateMeter, DestroyMeter and OnPaint run on the dialog thread, which owns the
// rectangles, the background colour and the view. SetLevel may be called from any thread (the
// progress timer, the device callbacks): the level is the one value shared across threads
// (atomic), and the repaint is handed to the dialog thread. Posted repaints die with the meter.

#include <array>
#include <atomic>

#include "platform/ui/canvas.h"
#include "platform/ui/dialog_view.h"
#include "platform/ui/dispatcher.h"
#include "platform/ui/scoped_poster.h"

namespace keyvoice {

inline constexpr int kMeterSegmentCount = 15;

// Lit segment colours: 0 to 7 dark green, 8 to 10 green, 11 to 13 yellow, 14 red.
inline constexpr zav::platform::Rgb kMeterDarkGreen{0, 127, 0};
inline constexpr zav::platform::Rgb kMeterGreen{0, 255, 0};
inline constexpr zav::platform::Rgb kMeterYellow{255, 255, 0};
inline constexpr zav::platform::Rgb kMeterRed{255, 0, 0};

using MeterSegments = std::array<zav::platform::ClientRect, kMeterSegmentCount>;

// The colour of segment (0 to 14) when lit.
zav::platform::Rgb LitSegmentColour(int segment);

// The segment rectangles inside the meter's rectangle rect (its client coordinates), segment 0
// at the bottom: 2 pixels in from the left and right, each about a fifteenth of the height
// minus 3 pixels tall.
MeterSegments ComputeMeterSegments(const zav::platform::ClientRect& rect);

class CInfoWnd : public zav::platform::ControlPainter {
  public:
    // dispatcher: the dialog thread's; it must outlive the meter.
    explicit CInfoWnd(zav::platform::Dispatcher& dispatcher);

    // Puts the meter over the client area of the frame frameId of view and computes the
    // segments from that area, then asks for the first paint. 1 on success; 0 (nothing
    // attached) when the frame has no client area. Thread: dialog.
    int CreateMeter(zav::platform::DialogView& view, int frameId);
    // Takes the meter away from its frame again; the dialog calls it before its view goes
    // (OnDestroy). Thread: dialog.
    void DestroyMeter();

    // Lights segments 0 to level - 1 and darkens the rest; level is held to 0 to 15. The meter
    // shows it at its next paint, which is asked for at once on the dialog thread and posted
    // there from any other. Returns 0. Thread: any.
    int SetLevel(int level);
    // The level last set. Thread: any.
    int Level() const { return level_.load(std::memory_order_relaxed); }

    // Called on: the dialog thread. Takes the background colour at the first paint and keeps
    // it, then fills every segment, lit or dark.
    void OnPaint(zav::platform::Canvas& canvas) override;

    // Inspection. Thread: dialog.
    bool IsCreated() const { return view_ != nullptr; }
    const MeterSegments& Segments() const { return segments_; }

  private:
    void RepaintNow();

    std::atomic<int> level_{0};
    std::atomic<bool> repaintPosted_{false};  // one posted repaint at a time is enough

    // Dialog thread only.
    zav::platform::DialogView* view_ = nullptr;
    int frameId_ = 0;
    MeterSegments segments_{};
    zav::platform::Rgb background_{};
    bool backgroundRead_ = false;

    // Last, so that it goes first: no posted repaint runs once the members above are gone.
    zav::platform::ScopedPoster poster_;
};

}  // namespace keyvoice
