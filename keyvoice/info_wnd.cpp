#include "keyvoice/info_wnd.h"

#include <algorithm>

namespace keyvoice {

namespace {

using zav::platform::ClientRect;
using zav::platform::Rgb;

// The first segment of each colour band.
constexpr int kFirstGreen = 8;
constexpr int kFirstYellow = 11;
constexpr int kFirstRed = 14;

// Space left free beside the segments, and the segment's top and bottom offsets within its
// step: "top = H - i*d - (d - 1)" and "bottom = H - i*d - 2".
constexpr int kSideMargin = 2;
constexpr double kTopOffsetFromStep = 1.0;
constexpr double kBottomOffset = 2.0;

}  // namespace

Rgb LitSegmentColour(int segment) {
    if (segment >= kFirstRed)
        return kMeterRed;
    if (segment >= kFirstYellow)
        return kMeterYellow;
    if (segment >= kFirstGreen)
        return kMeterGreen;
    return kMeterDarkGreen;
}

MeterSegments ComputeMeterSegments(const ClientRect& rect) {
    const int height = rect.Height();
    double step = height / static_cast<double>(kMeterSegmentCount);
    if (step < 0.0)
        step = 1.0;
    MeterSegments segments{};
    for (int i = 0; i < kMeterSegmentCount; ++i) {
        // Truncation toward zero, as the conversion to an integer does.
        segments[i].left = rect.left + kSideMargin;
        segments[i].right = rect.right - kSideMargin;
        segments[i].top = static_cast<int>(height - i * step - (step - kTopOffsetFromStep));
        segments[i].bottom = static_cast<int>(height - i * step - kBottomOffset);
    }
    return segments;
}

CInfoWnd::CInfoWnd(zav::platform::Dispatcher& dispatcher) : poster_(dispatcher) {}

int CInfoWnd::CreateMeter(zav::platform::DialogView& view, int frameId) {
    const ClientRect client = view.GetControlClientRect(frameId);
    if (client.Width() <= 0 || client.Height() <= 0)
        return 0;
    DestroyMeter();
    segments_ = ComputeMeterSegments(client);
    backgroundRead_ = false;
    view_ = &view;
    frameId_ = frameId;
    view.AttachPainter(frameId, this);
    view.Repaint(frameId);
    return 1;
}

void CInfoWnd::DestroyMeter() {
    if (view_ == nullptr)
        return;
    view_->AttachPainter(frameId_, nullptr);
    view_ = nullptr;
}

int CInfoWnd::SetLevel(int level) {
    // A level past the last segment would light segments that do not exist.
    level_.store(std::clamp(level, 0, kMeterSegmentCount), std::memory_order_relaxed);
    if (poster_.Target().OnDialogThread()) {
        RepaintNow();
    } else if (!repaintPosted_.exchange(true)) {
        poster_.Post([this] {
            repaintPosted_.store(false);
            RepaintNow();
        });
    }
    return 0;
}

void CInfoWnd::RepaintNow() {
    if (view_ != nullptr)
        view_->Repaint(frameId_);
}

void CInfoWnd::OnPaint(zav::platform::Canvas& canvas) {
    if (!backgroundRead_) {
        background_ = canvas.BackgroundColour();
        backgroundRead_ = true;
    }
    const int lit = Level();
    for (int i = 0; i < kMeterSegmentCount; ++i)
        canvas.FillRect(segments_[i], i < lit ? LitSegmentColour(i) : background_);
}

}  // namespace keyvoice
