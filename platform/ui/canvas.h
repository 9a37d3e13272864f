#pragma once
// A small painting seam for custom-drawn child windows (KeyVoice's level meter): the window's
// pixel size, its background colour, and filled rectangles. The program's painter draws on a
// Canvas whenever the window backend repaints the control; the backend decides when that is.
//
// Thread: dialog. A painter is called only on the dialog thread, from the backend's paint.

#include <cstdint>

namespace zav::platform {

// An opaque colour as the host's RGB() makes it.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A rectangle in a window's client pixels, as the host's RECT: the right column and the bottom
// row are outside it.
struct ClientRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const ClientRect&, const ClientRect&) = default;
};

class Canvas {
  public:
    virtual ~Canvas() = default;

    // The client area's size in pixels.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // The colour the window's parent shows behind it (what the host reads with GetPixel at a
    // point the window has not drawn yet).
    virtual Rgb BackgroundColour() const = 0;
    // Fills rect, clipped to the client area.
    virtual void FillRect(const ClientRect& rect, Rgb colour) = 0;
};

// Draws one custom control. Called on: the dialog thread, whenever the backend repaints it.
class ControlPainter {
  public:
    virtual ~ControlPainter() = default;
    virtual void OnPaint(Canvas& canvas) = 0;
};

}  // namespace zav::platform
