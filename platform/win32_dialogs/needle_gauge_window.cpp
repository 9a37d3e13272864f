#include "platform/win32_dialogs/needle_gauge_window.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <string_view>
#include <vector>

#include "platform/win32_dialogs/dib_surface.h"
#include "platform/win32_dialogs/gdi_handles.h"
#include "platform/win32_dialogs/parent_face.h"

namespace zav::platform::win32 {

namespace {

constexpr double kStartDegrees = 150.0;  // value 0
constexpr double kSweepDegrees = 120.0;  // to value 15, clockwise
constexpr ULONGLONG kGlideMs = 120;
constexpr UINT kGlideTimer = 1;
constexpr UINT kGlideStepMs = 15;
constexpr int kSupersample = 3;
constexpr int kFocusInset = 4;  // inside the face's rounded edge

struct Zone {
    double from;
    double to;
    COLORREF colour;
};
// The coloured band, in value units: quiet, just right, loud, too loud.
constexpr std::array<Zone, 4> kZones{{
    {0.0, 5.0, RGB(0x9f, 0xb6, 0xc9)},
    {5.0, 10.0, RGB(0x4c, 0xaf, 0x6a)},
    {10.0, 12.5, RGB(0xe9, 0xb4, 0x4c)},
    {12.5, 15.0, RGB(0xd9, 0x5f, 0x4b)},
}};
constexpr COLORREF kFace = RGB(0xfb, 0xfa, 0xf6);
constexpr COLORREF kFaceEdge = RGB(0xb9, 0xb5, 0xaa);
constexpr COLORREF kTick = RGB(0x55, 0x5d, 0x66);
constexpr COLORREF kNeedle = RGB(0x2b, 0x36, 0x40);
constexpr COLORREF kHubHighlight = RGB(0x8a, 0x96, 0xa0);
constexpr double kShadowOpacity = 40.0 / 255.0;

COLORREF Scaled(COLORREF colour, double factor) {
    auto channel = [factor](int value) {
        return static_cast<BYTE>(std::clamp(std::lround(value * factor), 0L, 255L));
    };
    return RGB(channel(GetRValue(colour)), channel(GetGValue(colour)), channel(GetBValue(colour)));
}

COLORREF Mix(COLORREF from, COLORREF to, double t) {
    auto channel = [t](int a, int b) { return static_cast<BYTE>(std::lround(a + (b - a) * t)); };
    return RGB(channel(GetRValue(from), GetRValue(to)), channel(GetGValue(from), GetGValue(to)),
               channel(GetBValue(from), GetBValue(to)));
}

struct PointD {
    double x;
    double y;
};

PointD OnCircle(PointD centre, double radius, double degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    return {centre.x + radius * std::cos(radians), centre.y - radius * std::sin(radians)};
}

// Draws in logical pixels on a surface kSupersample times as large.
class Painter {
  public:
    explicit Painter(HDC dc) : dc_(dc) {}

    int operator()(double logical) const {
        return static_cast<int>(std::lround(logical * kSupersample));
    }
    POINT At(PointD point) const { return {(*this)(point.x), (*this)(point.y)}; }

    void Line(PointD from, PointD to, double width, COLORREF colour) const {
        const UniquePen pen = MakePen(width, colour, PS_ENDCAP_ROUND);
        const ScopedSelection selected(dc_, pen.get());
        const POINT a = At(from);
        const POINT b = At(to);
        ::MoveToEx(dc_, a.x, a.y, nullptr);
        ::LineTo(dc_, b.x, b.y);
    }

    // The arc of the circle around centre from angle `from` counter-clockwise to `to`.
    void Arc(PointD centre, double radius, double from, double to, double width,
             COLORREF colour) const {
        const UniquePen pen = MakePen(width, colour, PS_ENDCAP_FLAT);
        const ScopedSelection selected(dc_, pen.get());
        const ScopedSelection hollow(dc_, ::GetStockObject(NULL_BRUSH));
        const POINT start = At(OnCircle(centre, radius, from));
        const POINT end = At(OnCircle(centre, radius, to));
        ::SetArcDirection(dc_, AD_COUNTERCLOCKWISE);
        ::Arc(dc_, (*this)(centre.x - radius), (*this)(centre.y - radius),
              (*this)(centre.x + radius), (*this)(centre.y + radius), start.x, start.y, end.x,
              end.y);
    }

    void Polygon(const std::vector<PointD>& corners, COLORREF colour) const {
        std::vector<POINT> points;
        for (const PointD& corner : corners)
            points.push_back(At(corner));
        const UniqueBrush brush(::CreateSolidBrush(colour));
        const ScopedSelection selectedBrush(dc_, brush.get());
        const ScopedSelection noPen(dc_, ::GetStockObject(NULL_PEN));
        ::Polygon(dc_, points.data(), static_cast<int>(points.size()));
    }

  private:
    static UniquePen MakePen(double width, COLORREF colour, DWORD cap) {
        LOGBRUSH brush{BS_SOLID, colour, 0};
        const DWORD pixels = static_cast<DWORD>(std::max(1L, std::lround(width * kSupersample)));
        return UniquePen(::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | cap | PS_JOIN_ROUND, pixels,
                                        &brush, 0, nullptr));
    }

    HDC dc_;
};

class NeedleGauge {
  public:
    explicit NeedleGauge(HWND window) : window_(window) {}

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    double Needle() const { return needle_; }

  private:
    void SetValue(int value);
    void Glide();
    void Paint(HDC target);
    void DrawDial(HDC dc, int width, int height, COLORREF background) const;
    void DrawHub(DibSurface& surface, PointD pivot, double hub) const;

    HWND window_;
    int value_ = kGaugeMinimum;
    double needle_ = kGaugeMinimum;
    double glideFrom_ = kGaugeMinimum;
    ULONGLONG glideStart_ = 0;
    bool gliding_ = false;
};

void NeedleGauge::SetValue(int value) {
    const int clamped = std::clamp(value, kGaugeMinimum, kGaugeMaximum);
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
    const double t =
        std::min(1.0, static_cast<double>(::GetTickCount64() - glideStart_) / kGlideMs);
    const double eased = 1.0 - std::pow(1.0 - t, 3.0);  // fast at first, gently at the end
    needle_ = glideFrom_ + (value_ - glideFrom_) * eased;
    if (t >= 1.0) {
        needle_ = value_;
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
    DrawDial(large.Dc(), width, height, background);

    // The hub's shading is a radial gradient, laid into the pixels directly.
    const double faceHeight = height - 3.0;
    const double faceWidth = width - 3.0;
    const PointD pivot{1.5 + faceWidth / 2.0, 1.5 + faceHeight - faceHeight * 0.12};
    const double radius =
        std::min(faceWidth * 0.5 / std::cos(std::numbers::pi / 6.0) - 10.0, (pivot.y - 1.5) - 8.0);
    DrawHub(large, pivot, std::max(3.5, radius * 0.08));

    Downsample(large, kSupersample, shown);
    if (::GetFocus() == window_) {
        RECT focus{kFocusInset, kFocusInset, width - kFocusInset, height - kFocusInset};
        ::DrawFocusRect(shown.Dc(), &focus);
    }
    ::BitBlt(target, 0, 0, width, height, shown.Dc(), 0, 0, SRCCOPY);
}

void NeedleGauge::DrawDial(HDC dc, int width, int height, COLORREF background) const {
    const Painter at(dc);
    {
        const UniqueBrush fill(::CreateSolidBrush(background));
        RECT all{0, 0, width * kSupersample, height * kSupersample};
        ::FillRect(dc, &all, fill.get());
    }

    // The face: a soft card with a rounded edge, a shade darker at the bottom.
    const double left = 1.5;
    const double top = 1.5;
    const double right = width - 1.5;
    const double bottom = height - 1.5;
    const int corner = at(12.0);
    {
        const UniqueRegion face(
            ::CreateRoundRectRgn(at(left), at(top), at(right) + 1, at(bottom) + 1, corner, corner));
        ::SelectClipRgn(dc, face.get());
        const COLORREF shaded = Scaled(kFace, 1.0 / 1.04);
        for (int row = at(top); row <= at(bottom); ++row) {
            const double t = static_cast<double>(row - at(top)) / std::max(1, at(bottom) - at(top));
            const UniqueBrush band(::CreateSolidBrush(Mix(kFace, shaded, t)));
            RECT line{at(left), row, at(right) + 1, row + 1};
            ::FillRect(dc, &line, band.get());
        }
        ::SelectClipRgn(dc, nullptr);
        LOGBRUSH edgeBrush{BS_SOLID, kFaceEdge, 0};
        const UniquePen edge(
            ::ExtCreatePen(PS_GEOMETRIC | PS_SOLID, kSupersample, &edgeBrush, 0, nullptr));
        const ScopedSelection pen(dc, edge.get());
        const ScopedSelection hollow(dc, ::GetStockObject(NULL_BRUSH));
        ::RoundRect(dc, at(left), at(top), at(right), at(bottom), corner, corner);
    }

    // The pivot sits low in the middle; the arc's ends reach about half the height.
    const double faceWidth = right - left;
    const double faceHeight = bottom - top;
    const PointD pivot{left + faceWidth / 2.0, bottom - faceHeight * 0.12};
    const double radius =
        std::min(faceWidth * 0.5 / std::cos(std::numbers::pi / 6.0) - 10.0, (pivot.y - top) - 8.0);
    if (radius <= 4.0)
        return;
    const double band = std::max(4.0, radius * 0.09);
    const double bandRadius = radius - band / 2.0;

    // Coloured zones along the arc, with flat ends so that neighbouring zones meet cleanly.
    for (const Zone& zone : kZones) {
        at.Arc(pivot, bandRadius, NeedleAngleDegrees(zone.to), NeedleAngleDegrees(zone.from), band,
               zone.colour);
    }

    // A tick for every value, inside the band; stronger at both ends.
    const double outer = radius - band - 2.0;
    for (int value = kGaugeMinimum; value <= kGaugeMaximum; ++value) {
        const bool major = value == kGaugeMinimum || value == kGaugeMaximum;
        const double angle = NeedleAngleDegrees(value);
        const double inner = outer - (major ? band * 1.1 : band * 0.8);
        at.Line(OnCircle(pivot, inner, angle), OnCircle(pivot, outer, angle), major ? 1.8 : 1.0,
                kTick);
    }
    // The just-right mark straight above the pivot.
    const double middle = NeedleAngleDegrees(7.5);
    at.Line(OnCircle(pivot, outer - band * 1.6, middle), OnCircle(pivot, outer, middle), 2.0,
            Scaled(kZones[1].colour, 1.0 / 1.2));

    // The needle: a slim tapered blade with a short tail, and a shadow under it.
    const double angle = NeedleAngleDegrees(needle_);
    const double length = radius - band * 0.5;
    const double baseHalfWidth = std::max(1.6, radius * 0.035);
    auto blade = [&](PointD centre) {
        return std::vector<PointD>{OnCircle(centre, length, angle),
                                   OnCircle(centre, baseHalfWidth, angle + 90.0),
                                   OnCircle(centre, length * 0.12, angle + 180.0),
                                   OnCircle(centre, baseHalfWidth, angle - 90.0)};
    };
    at.Polygon(blade({pivot.x + 1.2, pivot.y + 1.6}),
               Scaled(Mix(kFace, Scaled(kFace, 1.0 / 1.04), 0.85), 1.0 - kShadowOpacity));
    at.Polygon(blade(pivot), kNeedle);
}

void NeedleGauge::DrawHub(DibSurface& surface, PointD pivot, double hub) const {
    // Lit from the upper left: the gradient's centre lies up and left of the pivot.
    const PointD light{pivot.x - hub * 0.3, pivot.y - hub * 0.3};
    const double reach = hub * 1.2;
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
            const COLORREF colour = Mix(kHubHighlight, kNeedle, t);
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(surface.Width()) +
                   static_cast<std::size_t>(x)] =
                0xFF000000u | static_cast<std::uint32_t>(GetRValue(colour)) << 16 |
                static_cast<std::uint32_t>(GetGValue(colour)) << 8 | GetBValue(colour);
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

double NeedleAngleDegrees(double position) {
    const double clamped = std::clamp(position, double{kGaugeMinimum}, double{kGaugeMaximum});
    return kStartDegrees - kSweepDegrees * clamped / kGaugeMaximum;
}

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
