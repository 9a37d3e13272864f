#pragma once
// The child window a program's ControlPainter draws (window class "ZavPaintedControl"): it
// covers the client area of the control it is put on (a sunken frame) and, at every WM_PAINT,
// hands the painter a Canvas over a memory bitmap that is then copied to the screen in one go,
// so a meter lit ten times a second does not flicker. What the painter leaves undrawn shows the
// dialog's face colour, which is also the background the canvas reports. WM_PRINTCLIENT draws
// the same picture into another device context.
//
// Thread: dialog.

#include <windows.h>

#include "platform/ui/canvas.h"

namespace zav::platform::win32 {

inline constexpr wchar_t kPaintedControlClass[] = L"ZavPaintedControl";

// A canvas over a device context: fills are clipped to width x height.
class HdcCanvas final : public Canvas {
  public:
    HdcCanvas(HDC dc, int width, int height, Rgb background)
        : dc_(dc), width_(width), height_(height), background_(background) {}

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    Rgb BackgroundColour() const override { return background_; }
    void FillRect(const ClientRect& rect, Rgb colour) override;

  private:
    HDC dc_;
    int width_;
    int height_;
    Rgb background_;
};

class PaintedControlWindow {
  public:
    // Covers the client area of frame with a child window that painter draws; Valid() is false
    // when the window could not be made. The painter must outlive this object.
    PaintedControlWindow(HWND frame, ControlPainter& painter);
    ~PaintedControlWindow();
    PaintedControlWindow(const PaintedControlWindow&) = delete;
    PaintedControlWindow& operator=(const PaintedControlWindow&) = delete;

    bool Valid() const { return window_ != nullptr; }
    HWND Handle() const { return window_; }
    // Asks for a paint soon (InvalidateRect); the painter runs from the message loop.
    void Invalidate() const;

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void PaintOn(HDC target);

    ControlPainter& painter_;
    HWND window_ = nullptr;
};

bool RegisterPaintedControlClass();

}  // namespace zav::platform::win32
