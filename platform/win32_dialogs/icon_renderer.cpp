#include "platform/win32_dialogs/icon_renderer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/win32_dialogs/dib_surface.h"

namespace zav::platform::win32 {

namespace {

constexpr int kSupersample = 4;
constexpr COLORREF kMaskInk = RGB(255, 255, 255);

// Canvas units to mask pixels.
class Scale {
  public:
    Scale(float canvasSize, int pixels) : factor_(static_cast<double>(pixels) / canvasSize) {}
    int operator()(double units) const { return static_cast<int>(std::lround(units * factor_)); }
    double Length(double units) const { return units * factor_; }

  private:
    double factor_;
};

POINT OnCircle(const Scale& scale, double cx, double cy, double radius, double degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    // Angles count counter-clockwise; screen y grows downwards.
    return {scale(cx + radius * std::cos(radians)), scale(cy - radius * std::sin(radians))};
}

UniquePen StrokePen(double width) {
    LOGBRUSH brush{BS_SOLID, kMaskInk, 0};
    const DWORD pixels = static_cast<DWORD>(std::max(1L, std::lround(width)));
    return UniquePen(::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                                    pixels, &brush, 0, nullptr));
}

// Draws shape in white on the black mask.
void DrawMask(const IconShape& shape, const Scale& scale, HDC dc) {
    const UniqueBrush fill(::CreateSolidBrush(kMaskInk));
    const UniquePen stroke = StrokePen(scale.Length(shape.penWidth));
    const bool filled = shape.kind == IconShapeKind::Disc ||
                        shape.kind == IconShapeKind::RoundRect ||
                        shape.kind == IconShapeKind::Triangle;
    const ScopedSelection pen(dc, filled ? ::GetStockObject(NULL_PEN) : stroke.get());
    const ScopedSelection brush(dc, filled ? fill.get() : ::GetStockObject(NULL_BRUSH));
    const double left = shape.x1 - shape.radius;
    const double top = shape.y1 - shape.radius;
    const double right = shape.x1 + shape.radius;
    const double bottom = shape.y1 + shape.radius;
    switch (shape.kind) {
        case IconShapeKind::Disc:
        case IconShapeKind::Ring:
            ::Ellipse(dc, scale(left), scale(top), scale(right), scale(bottom));
            break;
        case IconShapeKind::Arc: {
            // GDI draws counter-clockwise from the first point to the second.
            double from = shape.startDegrees;
            double to = shape.startDegrees + shape.spanDegrees;
            if (shape.spanDegrees < 0)
                std::swap(from, to);
            const POINT start = OnCircle(scale, shape.x1, shape.y1, shape.radius, from);
            const POINT end = OnCircle(scale, shape.x1, shape.y1, shape.radius, to);
            ::SetArcDirection(dc, AD_COUNTERCLOCKWISE);
            ::Arc(dc, scale(left), scale(top), scale(right), scale(bottom), start.x, start.y, end.x,
                  end.y);
            break;
        }
        case IconShapeKind::Line:
            ::MoveToEx(dc, scale(shape.x1), scale(shape.y1), nullptr);
            ::LineTo(dc, scale(shape.x2), scale(shape.y2));
            break;
        case IconShapeKind::RoundRect: {
            const int corner = scale(2.0 * shape.radius);
            ::RoundRect(dc, scale(shape.x1), scale(shape.y1), scale(shape.x2), scale(shape.y2),
                        corner, corner);
            break;
        }
        case IconShapeKind::Triangle: {
            const POINT corners[3] = {{scale(shape.x1), scale(shape.y1)},
                                      {scale(shape.x2), scale(shape.y2)},
                                      {scale(shape.x3), scale(shape.y3)}};
            ::Polygon(dc, corners, 3);
            break;
        }
    }
}

// Straight-alpha colour with channels 0 to 1.
struct Colour {
    double alpha = 0, red = 0, green = 0, blue = 0;
};

void LayOver(Colour& below, std::uint32_t argb, double coverage) {
    const double alpha = ((argb >> 24) & 0xFF) / 255.0 * coverage;
    if (alpha <= 0.0)
        return;
    const double red = ((argb >> 16) & 0xFF) / 255.0;
    const double green = ((argb >> 8) & 0xFF) / 255.0;
    const double blue = (argb & 0xFF) / 255.0;
    const double result = alpha + below.alpha * (1.0 - alpha);
    auto mix = [&](double top, double bottom) {
        return (top * alpha + bottom * below.alpha * (1.0 - alpha)) / result;
    };
    below = {result, mix(red, below.red), mix(green, below.green), mix(blue, below.blue)};
}

std::uint32_t ToArgb(const Colour& colour) {
    auto byte = [](double value) {
        return static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
    };
    return byte(colour.alpha) << 24 | byte(colour.red) << 16 | byte(colour.green) << 8 |
           byte(colour.blue);
}

}  // namespace

std::vector<std::uint32_t> RenderIconPixels(const IconDrawing& icon, int size) {
    if (size <= 0)
        return {};
    const std::size_t count = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
    std::vector<Colour> canvas(count);
    if (icon.canvasSize > 0) {
        DibSurface mask(size * kSupersample, size * kSupersample);
        DibSurface coverage(size, size);
        if (!mask.Valid() || !coverage.Valid())
            return std::vector<std::uint32_t>(count, 0);
        const Scale scale(icon.canvasSize, size * kSupersample);
        for (const IconShape& shape : icon.shapes) {
            std::ranges::fill(mask.Pixels(), 0u);
            DrawMask(shape, scale, mask.Dc());
            Downsample(mask, kSupersample, coverage);
            const std::span<const std::uint32_t> covered = coverage.Pixels();
            for (std::size_t i = 0; i < count; ++i)
                LayOver(canvas[i], shape.argb, (covered[i] & 0xFF) / 255.0);
        }
    }
    std::vector<std::uint32_t> pixels(count);
    std::ranges::transform(canvas, pixels.begin(), ToArgb);
    return pixels;
}

UniqueIcon MakeIcon(const IconDrawing& icon, int size) {
    const std::vector<std::uint32_t> pixels = RenderIconPixels(icon, size);
    if (pixels.empty())
        return nullptr;
    // A bitmap of its own, selected into no device context, as CreateIconIndirect wants it.
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = size;
    format.bmiHeader.biHeight = -size;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const UniqueBitmap colour(
        ::CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!colour || bits == nullptr)
        return nullptr;
    std::ranges::copy(pixels, static_cast<std::uint32_t*>(bits));
    // The alpha channel decides; the mask only matters to a display without alpha, where the
    // fully transparent pixels stay transparent. Monochrome rows are word aligned.
    const int stride = ((size + 15) / 16) * 2;
    std::vector<std::uint8_t> maskBits(static_cast<std::size_t>(stride * size), 0);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if ((pixels[static_cast<std::size_t>(y * size + x)] >> 24) == 0) {
                maskBits[static_cast<std::size_t>(y * stride + x / 8)] |=
                    static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    const UniqueBitmap mask(::CreateBitmap(size, size, 1, 1, maskBits.data()));
    if (!mask)
        return nullptr;
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask.get();
    info.hbmColor = colour.get();
    return UniqueIcon(::CreateIconIndirect(&info));
}

}  // namespace zav::platform::win32
