#include "platform/win32_dialogs/needle_gauge_window.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/win32_dialogs/dib_surface.h"
#include "platform/win32_dialogs/gdi_handles.h"
#include "platform/win32_dialogs/icon_renderer.h"
#include "platform/win32_dialogs/parent_face.h"

namespace zav::platform::win32 {

namespace {

constexpr UINT kGlideTimer = 1;
// A GDI frame is cheap here: eight steps to a glide, as the window has always drawn it.
constexpr UINT kGlideStepMs = 15;
constexpr int kSupersample = 3;
constexpr int kFocusInset = 4;  // inside the face's rounded edge

COLORREF ToColorRef(std::uint32_t argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

std::uint32_t ToPixel(COLORREF colour) {
    return 0xFF000000u | static_cast<std::uint32_t>(GetRValue(colour)) << 16 |
           static_cast<std::uint32_t>(GetGValue(colour)) << 8 | GetBValue(colour);
}

// The colour between from (t = 0) and to (t = 1).
COLORREF Mix(COLORREF from, COLORREF to, double t) {
    auto channel = [t](int a, int b) { return static_cast<BYTE>(std::lround(a + (b - a) * t)); };
    return RGB(channel(GetRValue(from), GetRValue(to)), channel(GetGValue(from), GetGValue(to)),
               channel(GetBValue(from), GetBValue(to)));
}

// A straight-alpha colour laid over an opaque one.
COLORREF Over(std::uint32_t argb, COLORREF below) {
    return Mix(below, ToColorRef(argb), ((argb >> 24) & 0xFF) / 255.0);
}

// Fills a polygon given in logical pixels on a surface kSupersample times as large.
void FillPolygon(HDC dc, const std::array<DialPoint, 4>& corners, COLORREF colour) {
    std::array<POINT, 4> points{};
    for (std::size_t i = 0; i < corners.size(); ++i) {
        points[i] = {static_cast<LONG>(std::lround(corners[i].x * kSupersample)),
                     static_cast<LONG>(std::lround(corners[i].y * kSupersample))};
    }
    const UniqueBrush brush(::CreateSolidBrush(colour));
    const ScopedSelection selectedBrush(dc, brush.get());
    const ScopedSelection noPen(dc, ::GetStockObject(NULL_PEN));
    ::Polygon(dc, points.data(), static_cast<int>(points.size()));
}

class NeedleGauge {
  public:
    explicit NeedleGauge(HWND window) : window_(window) {}

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    double Needle() const { return needle_; }

  private:
    void SetValue(int value);
    void Glide();
    void Paint(HDC target);
    // The face drawn on background, at the window's size, made again when either changed.
    const std::vector<std::uint32_t>& Face(int width, int height, COLORREF background);
    void DrawNeedle(DibSurface& large, const NeedleDial& dial, COLORREF background) const;
    void DrawHub(DibSurface& surface, DialPoint pivot, double hub) const;

    HWND window_;
    int value_ = kGaugeMinimum;
    double needle_ = kGaugeMinimum;
    double glideFrom_ = kGaugeMinimum;
    ULONGLONG glideStart_ = 0;
    bool gliding_ = false;
    std::vector<std::uint32_t> face_;  // opaque pixels, row by row
    int faceWidth_ = 0;
    int faceHeight_ = 0;
    COLORREF faceBackground_ = 0;
};

void NeedleGauge::SetValue(int value) {
    const int clamped = GaugeValue(value);
    if (clamped == value_ && !gliding_)
        return;
    value_ = clamped;
    if (!::IsWindowVisible(window_)) {
        needle_ = value_;
        gliding_ = false;
        ::KillTimer(window_, kGlideTimer);
        ::InvalidateRect(window_, nullptr, FALSE);
        return;
    }
    glideFrom_ = needle_;
    glideStart_ = ::GetTickCount64();
    gliding_ = true;
    ::SetTimer(window_, kGlideTimer, kGlideStepMs, nullptr);
}

void NeedleGauge::Glide() {
    const auto elapsed = static_cast<double>(::GetTickCount64() - glideStart_);
    needle_ = NeedleGlidePosition(glideFrom_, value_, elapsed);
    if (elapsed >= kNeedleGlideMs) {
        gliding_ = false;
        ::KillTimer(window_, kGlideTimer);
    }
    ::InvalidateRect(window_, nullptr, FALSE);
}

LRESULT NeedleGauge::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kGaugeSetValue:
            SetValue(static_cast<int>(static_cast<INT_PTR>(wParam)));
            return 0;
        case kGaugeGetValue:
            return value_;
        case WM_TIMER:
            if (wParam == kGlideTimer) {
                Glide();
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel
        case WM_PAINT: {
            const PaintScope paint(window_);
            Paint(paint.Dc());
            return 0;
        }
        case WM_PRINTCLIENT:  // a picture of the gauge for someone else (a screenshot)
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
            ::InvalidateRect(window_, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            if ((::GetWindowLongW(window_, GWL_STYLE) & WS_TABSTOP) != 0)
                ::SetFocus(window_);
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

void NeedleGauge::Paint(HDC target) {
    RECT client{};
    ::GetClientRect(window_, &client);
    const int width = client.right;
    const int height = client.bottom;
    DibSurface large(width * kSupersample, height * kSupersample);
    DibSurface shown(width, height);
    if (!large.Valid() || !shown.Valid())
        return;
    const COLORREF background = ParentFaceColour(window_, target);
    // The face, each of its pixels a block of the large surface, under the needle drawn there.
    const std::vector<std::uint32_t>& face = Face(width, height, background);
    const std::span<std::uint32_t> pixels = large.Pixels();
    for (int y = 0; y < large.Height(); ++y) {
        const std::size_t row =
            static_cast<std::size_t>(y / kSupersample) * static_cast<std::size_t>(width);
        for (int x = 0; x < large.Width(); ++x) {
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(large.Width()) +
                   static_cast<std::size_t>(x)] =
                face[row + static_cast<std::size_t>(x / kSupersample)];
        }
    }
    const NeedleDial dial(width, height);
    if (dial.radius > 4.0) {
        ::GdiFlush();
        DrawNeedle(large, dial, background);
        DrawHub(large, dial.pivot, dial.HubRadius());
    }
    Downsample(large, kSupersample, shown);
    if (::GetFocus() == window_) {
        RECT focus{kFocusInset, kFocusInset, width - kFocusInset, height - kFocusInset};
        ::DrawFocusRect(shown.Dc(), &focus);
    }
    ::BitBlt(target, 0, 0, width, height, shown.Dc(), 0, 0, SRCCOPY);
}

const std::vector<std::uint32_t>& NeedleGauge::Face(int width, int height, COLORREF background) {
    if (width == faceWidth_ && height == faceHeight_ && background == faceBackground_ &&
        !face_.empty()) {
        return face_;
    }
    face_ = RenderShapePixels(NeedleFaceShapes(width, height), width, height);
    for (std::uint32_t& pixel : face_)
        pixel = ToPixel(Over(pixel, background));
    faceWidth_ = width;
    faceHeight_ = height;
    faceBackground_ = background;
    return face_;
}

void NeedleGauge::DrawNeedle(DibSurface& large, const NeedleDial& dial, COLORREF background) const {
    // The shadow is the face under it darkened by the shadow's colour; GDI has no
    // translucency, so it takes the face's colour near the pivot.
    const double angle = NeedleAngleDegrees(needle_);
    const auto atPivot = static_cast<std::size_t>(
        std::clamp(static_cast<int>(dial.pivot.y), 0, faceHeight_ - 1) * faceWidth_ +
        std::clamp(static_cast<int>(dial.pivot.x), 0, faceWidth_ - 1));
    const COLORREF under = face_.empty() ? background : ToColorRef(face_[atPivot]);
    FillPolygon(large.Dc(),
                dial.Blade({dial.pivot.x + kNeedleShadowX, dial.pivot.y + kNeedleShadowY}, angle),
                Over(kNeedleShadowArgb, under));
    FillPolygon(large.Dc(), dial.Blade(dial.pivot, angle), ToColorRef(kNeedleArgb));
}

void NeedleGauge::DrawHub(DibSurface& surface, DialPoint pivot, double hub) const {
    // Lit from the upper left: the gradient's centre lies up and left of the pivot.
    const DialPoint light{pivot.x - hub * 0.3, pivot.y - hub * 0.3};
    const double reach = hub * 1.2;
    ::GdiFlush();
    const std::span<std::uint32_t> pixels = surface.Pixels();
    const int firstX = std::max(0, static_cast<int>((pivot.x - hub) * kSupersample));
    const int lastX =
        std::min(surface.Width() - 1, static_cast<int>((pivot.x + hub) * kSupersample) + 1);
    const int firstY = std::max(0, static_cast<int>((pivot.y - hub) * kSupersample));
    const int lastY =
        std::min(surface.Height() - 1, static_cast<int>((pivot.y + hub) * kSupersample) + 1);
    for (int y = firstY; y <= lastY; ++y) {
        for (int x = firstX; x <= lastX; ++x) {
            const double px = (x + 0.5) / kSupersample;
            const double py = (y + 0.5) / kSupersample;
            if (std::hypot(px - pivot.x, py - pivot.y) > hub)
                continue;
            const double t = std::min(1.0, std::hypot(px - light.x, py - light.y) / reach);
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(surface.Width()) +
                   static_cast<std::size_t>(x)] =
                ToPixel(Mix(ToColorRef(kHubHighlightArgb), ToColorRef(kNeedleArgb), t));
        }
    }
}

LRESULT CALLBACK GaugeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* gauge = reinterpret_cast<NeedleGauge*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        gauge = new NeedleGauge(window);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(gauge));
    } else if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete gauge;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    if (gauge == nullptr)
        return ::DefWindowProcW(window, message, wParam, lParam);
    return gauge->OnMessage(message, wParam, lParam);
}

}  // namespace

bool RegisterNeedleGaugeClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = GaugeProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.lpszClassName = kNeedleGaugeClass;
        return ::RegisterClassExW(&windowClass) != 0 ||
               ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

double NeedlePosition(HWND gauge) {
    wchar_t className[64] = {};
    if (::GetClassNameW(gauge, className, 64) == 0 ||
        std::wstring_view(className) != kNeedleGaugeClass)
        return 0.0;
    const auto* state =
        reinterpret_cast<const NeedleGauge*>(::GetWindowLongPtrW(gauge, GWLP_USERDATA));
    return state == nullptr ? 0.0 : state->Needle();
}

}  // namespace zav::platform::win32
