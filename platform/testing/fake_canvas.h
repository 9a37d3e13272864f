#pragma once
// A canvas for painter tests: it keeps every filled rectangle in order, so a test can read what a
// painter drew and which colour any pixel ended up with. Its size and the background colour it
// reports are set by the test (a window backend would take them from the real window).
//
// Thread: the test's thread, which plays the dialog thread.

#include <vector>

#include "platform/ui/canvas.h"

namespace zav::platform::sim {

struct FakeFill {
    ClientRect rect;  // as the painter gave it, before clipping
    Rgb colour;

    friend bool operator==(const FakeFill&, const FakeFill&) = default;
};

class FakeCanvas : public Canvas {
  public:
    FakeCanvas(int width, int height, Rgb background);

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    Rgb BackgroundColour() const override { return background_; }
    void FillRect(const ClientRect& rect, Rgb colour) override;

    // The test's side.
    void Resize(int width, int height);
    void SetBackground(Rgb background) { background_ = background; }
    const std::vector<FakeFill>& Fills() const { return fills_; }
    void ClearFills() { fills_.clear(); }
    // The colour of the pixel (x, y) after the fills so far: the last fill that covers it (the
    // right column and the bottom row of a rectangle are outside it), else the background.
    Rgb PixelAt(int x, int y) const;

  private:
    int width_;
    int height_;
    Rgb background_;
    std::vector<FakeFill> fills_;
};

}  // namespace zav::platform::sim
