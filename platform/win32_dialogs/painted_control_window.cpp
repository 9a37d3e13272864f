#include "platform/win32_dialogs/painted_control_window.h"

#include <algorithm>

#include "platform/win32_dialogs/dib_surface.h"
#include "platform/win32_dialogs/gdi_handles.h"
#include "platform/win32_dialogs/parent_face.h"

namespace zav::platform::win32 {

namespace {

COLORREF ToColorRef(Rgb colour) {
    return RGB(colour.red, colour.green, colour.blue);
}

Rgb ToRgb(COLORREF colour) {
    return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

}  // namespace

void HdcCanvas::FillRect(const ClientRect& rect, Rgb colour) {
    RECT clipped{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width_),
                 std::min(rect.bottom, height_)};
    if (clipped.left >= clipped.right || clipped.top >= clipped.bottom)
        return;
    const UniqueBrush brush(::CreateSolidBrush(ToColorRef(colour)));
    ::FillRect(dc_, &clipped, brush.get());
}

bool RegisterPaintedControlClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        windowClass.lpfnWndProc = DefWindowProcW;  // each window gets PaintedControlWindow::Proc
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.lpszClassName = kPaintedControlClass;
        return ::RegisterClassExW(&windowClass) != 0 ||
               ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

PaintedControlWindow::PaintedControlWindow(HWND frame, ControlPainter& painter)
    : painter_(painter) {
    RECT inside{};
    if (frame == nullptr || !RegisterPaintedControlClass() || !::GetClientRect(frame, &inside))
        return;
    window_ =
        ::CreateWindowExW(0, kPaintedControlClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, inside.right,
                          inside.bottom, frame, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr)
        return;
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
    ::BringWindowToTop(window_);
    ::InvalidateRect(window_, nullptr, FALSE);
}

PaintedControlWindow::~PaintedControlWindow() {
    if (window_ != nullptr && ::IsWindow(window_)) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
}

void PaintedControlWindow::Invalidate() const {
    if (window_ != nullptr)
        ::InvalidateRect(window_, nullptr, FALSE);
}

LRESULT CALLBACK PaintedControlWindow::Proc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    auto* self =
        reinterpret_cast<PaintedControlWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel
        case WM_PAINT:
            if (self != nullptr) {
                const PaintScope paint(window);
                self->PaintOn(paint.Dc());
                return 0;
            }
            break;
        case WM_PRINTCLIENT:  // a picture of the control for someone else (a screenshot)
            if (self != nullptr) {
                self->PaintOn(reinterpret_cast<HDC>(wParam));
                return 0;
            }
            break;
        case WM_NCHITTEST:
            return HTTRANSPARENT;  // clicks and tool tips belong to the frame below
        case WM_NCDESTROY:
            if (self != nullptr)
                self->window_ = nullptr;
            break;
        default:
            break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void PaintedControlWindow::PaintOn(HDC target) {
    RECT client{};
    ::GetClientRect(window_, &client);
    DibSurface buffer(client.right, client.bottom);
    if (!buffer.Valid())
        return;
    const COLORREF face = ParentFaceColour(window_, buffer.Dc());
    {
        const UniqueBrush fill(::CreateSolidBrush(face));
        ::FillRect(buffer.Dc(), &client, fill.get());
    }
    HdcCanvas canvas(buffer.Dc(), client.right, client.bottom, ToRgb(face));
    painter_.OnPaint(canvas);
    ::BitBlt(target, 0, 0, client.right, client.bottom, buffer.Dc(), 0, 0, SRCCOPY);
}

}  // namespace zav::platform::win32
