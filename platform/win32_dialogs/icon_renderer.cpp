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
    explicit Scale(double factor) : factor_(factor) {}
    int operator()(double units) const { return static_cast<int>(std::lround(units * factor_)); }
    double Length(double units) const { return units * factor_; }
    double Units(double pixels) const { return pixels / factor_; }

  private:
    double factor_;
};

// What of a shape one mask holds: its body (the fill, or the stroke of an outline shape), or the
// edge of a rounded rectangle.
enum class Layer { Body, Edge };

POINT OnCircle(const Scale& scale, double cx, double cy, double radius, double degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    // Angles count counter-clockwise; screen y grows downwards.
    return {scale(cx + radius * std::cos(radians)), scale(cy - radius * std::sin(radians))};
}

UniquePen StrokePen(double width, DWORD ends) {
    LOGBRUSH brush{BS_SOLID, kMaskInk, 0};
    const DWORD pixels = static_cast<DWORD>(std::max(1L, std::lround(width)));
    return UniquePen(
        ::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | ends | PS_JOIN_ROUND, pixels, &brush, 0, nullptr));
}

// Draws the layer of shape in white on the black mask.
void DrawMask(const IconShape& shape, Layer layer, const Scale& scale, HDC dc) {
    const UniqueBrush fill(::CreateSolidBrush(kMaskInk));
    const UniquePen stroke =
        StrokePen(scale.Length(shape.penWidth), shape.flatEnds ? PS_ENDCAP_FLAT : PS_ENDCAP_ROUND);
    const bool filled = layer == Layer::Body && (shape.kind == IconShapeKind::Disc ||
                                                 shape.kind == IconShapeKind::RoundRect ||
                                                 shape.kind == IconShapeKind::Triangle);
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

// The colour of a layer of shape on mask row y: the fill's shade runs from the top edge to the
// bottom one.
std::uint32_t LayerColour(const IconShape& shape, Layer layer, const Scale& scale, int y) {
    if (layer == Layer::Edge)
        return shape.edgeArgb;
    if (shape.kind != IconShapeKind::RoundRect || shape.argbBottom == 0)
        return shape.argb;
    const double height = shape.y2 - shape.y1;
    const double t =
        height == 0 ? 0.0 : std::clamp((scale.Units(y + 0.5) - shape.y1) / height, 0.0, 1.0);
    std::uint32_t mixed = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const double top = (shape.argb >> shift) & 0xFF;
        const double bottom = (shape.argbBottom >> shift) & 0xFF;
        mixed |= static_cast<std::uint32_t>(std::lround(top + (bottom - top) * t)) << shift;
    }
    return mixed;
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

// shapes on a transparent width x height canvas, unitPixels pixels to a unit.
std::vector<std::uint32_t> Render(std::span<const IconShape> shapes, int width, int height,
                                  double unitPixels) {
    if (width <= 0 || height <= 0)
        return {};
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<Colour> canvas(count);
    if (unitPixels > 0 && !shapes.empty()) {
        DibSurface mask(width * kSupersample, height * kSupersample);
        DibSurface coverage(width, height);
        if (!mask.Valid() || !coverage.Valid())
            return std::vector<std::uint32_t>(count, 0);
        const Scale scale(unitPixels * kSupersample);
        const Scale shown(unitPixels);
        auto layOver = [&](const IconShape& shape, Layer layer) {
            std::ranges::fill(mask.Pixels(), 0u);
            DrawMask(shape, layer, scale, mask.Dc());
            Downsample(mask, kSupersample, coverage);
            const std::span<const std::uint32_t> covered = coverage.Pixels();
            for (std::size_t i = 0; i < count; ++i) {
                if ((covered[i] & 0xFF) == 0)
                    continue;
                const int y = static_cast<int>(i / static_cast<std::size_t>(width));
                LayOver(canvas[i], LayerColour(shape, layer, shown, y),
                        (covered[i] & 0xFF) / 255.0);
            }
        };
        for (const IconShape& shape : shapes) {
            layOver(shape, Layer::Body);
            if (shape.kind == IconShapeKind::RoundRect && shape.penWidth > 0)
                layOver(shape, Layer::Edge);
        }
    }
    std::vector<std::uint32_t> pixels(count);
    std::ranges::transform(canvas, pixels.begin(), ToArgb);
    return pixels;
}

}  // namespace

std::vector<std::uint32_t> RenderIconPixels(const IconDrawing& icon, int size) {
    if (icon.canvasSize <= 0)
        return Render({}, size, size, 0);
    return Render(icon.shapes, size, size, size / static_cast<double>(icon.canvasSize));
}

std::vector<std::uint32_t> RenderShapePixels(std::span<const IconShape> shapes, int width,
                                             int height) {
    return Render(shapes, width, height, 1.0);
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
