#include "platform/testing/fake_canvas.h"

#include <algorithm>

namespace zav::platform::sim {

FakeCanvas::FakeCanvas(int width, int height, Rgb background)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), background_(background) {}

void FakeCanvas::FillRect(const ClientRect& rect, Rgb colour) {
    fills_.push_back({rect, colour});
}

void FakeCanvas::Resize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
}

Rgb FakeCanvas::PixelAt(int x, int y) const {
    // Pixels outside the client area are never drawn: fills are clipped to it.
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return background_;
    for (auto fill = fills_.rbegin(); fill != fills_.rend(); ++fill) {
        const ClientRect& rect = fill->rect;
        if (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom)
            return fill->colour;
    }
    return background_;
}

}  // namespace zav::platform::sim
