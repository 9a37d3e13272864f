#include "packaging/icons/icon_svg.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace zav::packaging {

namespace {

using platform::IconShape;
using platform::IconShapeKind;

constexpr float kFullTurn = 360;
constexpr float kHalfTurn = 180;

// Shortest text that reads back as the same float: "12.5", "7", "-0.25".
std::string Number(float value) {
    std::array<char, 32> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} ? std::string(text.data(), end) : std::string("0");
}

// Built by appending: GCC 12 at -O3 sees a false overlap (-Wrestrict) in "literal" + string.
std::string Attribute(std::string_view name, std::string_view value) {
    std::string text = " ";
    text.append(name).append("=\"").append(value).append("\"");
    return text;
}

std::string Attribute(std::string_view name, float value) {
    return Attribute(name, Number(value));
}

// "#RRGGBB" for the colour's channels; the alpha goes into an opacity attribute.
std::string RgbText(std::uint32_t argb) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "#%06X", static_cast<unsigned>(argb & 0xFFFFFFu));
    return text.data();
}

std::string Paint(std::string_view property, std::uint32_t argb) {
    std::string paint = Attribute(property, RgbText(argb));
    const std::uint32_t alpha = argb >> 24;
    if (alpha != 0xFF) {
        paint += Attribute(std::string(property) + "-opacity",
                           static_cast<float>(alpha) / static_cast<float>(0xFF));
    }
    return paint;
}

std::string Fill(const IconShape& shape) {
    return Paint("fill", shape.argb);
}

std::string Stroke(const IconShape& shape) {
    return Attribute("fill", "none") + Paint("stroke", shape.argb) +
           Attribute("stroke-width", shape.penWidth) + Attribute("stroke-linecap", "round") +
           Attribute("stroke-linejoin", "round");
}

std::string Circle(const IconShape& shape, const std::string& paint) {
    return "<circle" + Attribute("cx", shape.x1) + Attribute("cy", shape.y1) +
           Attribute("r", shape.radius) + paint + "/>";
}

// The point at this angle on the shape's circle, y growing downwards.
std::string PointOnCircle(const IconShape& shape, float degrees) {
    const double radians = static_cast<double>(degrees) * std::numbers::pi / kHalfTurn;
    const auto x = static_cast<float>(shape.x1 + shape.radius * std::cos(radians));
    const auto y = static_cast<float>(shape.y1 - shape.radius * std::sin(radians));
    return Number(x) + " " + Number(y);
}

std::string ArcElement(const IconShape& shape) {
    if (std::fabs(shape.spanDegrees) >= kFullTurn)
        return Circle(shape, Stroke(shape));
    // Counter-clockwise on the screen, with y downwards, is SVG's negative sweep.
    const char* largeArc = std::fabs(shape.spanDegrees) > kHalfTurn ? "1" : "0";
    const char* sweep = shape.spanDegrees > 0 ? "0" : "1";
    const std::string radius = Number(shape.radius);
    std::string path = "M";
    path.append(PointOnCircle(shape, shape.startDegrees)).append("A").append(radius);
    path.append(" ").append(radius).append(" 0 ").append(largeArc).append(" ").append(sweep);
    path.append(" ").append(PointOnCircle(shape, shape.startDegrees + shape.spanDegrees));
    std::string element = "<path";
    element.append(Attribute("d", path)).append(Stroke(shape)).append("/>");
    return element;
}

std::string RectElement(const IconShape& shape) {
    const float left = std::min(shape.x1, shape.x2);
    const float top = std::min(shape.y1, shape.y2);
    return "<rect" + Attribute("x", left) + Attribute("y", top) +
           Attribute("width", std::fabs(shape.x2 - shape.x1)) +
           Attribute("height", std::fabs(shape.y2 - shape.y1)) + Attribute("rx", shape.radius) +
           Attribute("ry", shape.radius) + Fill(shape) + "/>";
}

std::string ShapeElement(const IconShape& shape) {
    switch (shape.kind) {
        case IconShapeKind::Disc:
            return Circle(shape, Fill(shape));
        case IconShapeKind::Ring:
            return Circle(shape, Stroke(shape));
        case IconShapeKind::Arc:
            return ArcElement(shape);
        case IconShapeKind::Line:
            return "<line" + Attribute("x1", shape.x1) + Attribute("y1", shape.y1) +
                   Attribute("x2", shape.x2) + Attribute("y2", shape.y2) + Stroke(shape) + "/>";
        case IconShapeKind::RoundRect:
            return RectElement(shape);
        case IconShapeKind::Triangle: {
            const std::string points = Number(shape.x1) + "," + Number(shape.y1) + " " +
                                       Number(shape.x2) + "," + Number(shape.y2) + " " +
                                       Number(shape.x3) + "," + Number(shape.y3);
            return "<polygon" + Attribute("points", points) + Fill(shape) + "/>";
        }
    }
    return {};
}

}  // namespace

std::string IconSvg(const platform::IconDrawing& icon) {
    const std::string size = Number(icon.canvasSize);
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg" +
                      Attribute("xmlns", "http://www.w3.org/2000/svg") + Attribute("width", size) +
                      Attribute("height", size) + Attribute("viewBox", "0 0 " + size + " " + size) +
                      ">\n";
    for (const IconShape& shape : icon.shapes)
        svg += "  " + ShapeElement(shape) + "\n";
    svg += "</svg>\n";
    return svg;
}

}  // namespace zav::packaging
