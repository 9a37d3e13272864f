#pragma once
// Icons as data: a few filled or stroked shapes on a square canvas, drawn in order. A program
// keeps its icons in its resources like its templates; a window backend paints them at any
// size it needs (window icon, task bar, a button face) so they stay sharp.
//
// Thread: plain constant data, readable from any thread.

#include <cstdint>
#include <span>

namespace zav::platform {

enum class IconShapeKind {
    Disc,       // filled circle: centre (x1, y1), radius
    Ring,       // circle outline: centre (x1, y1), radius, penWidth
    Arc,        // outline part: centre (x1, y1), radius, penWidth, startDegrees, spanDegrees
    Line,       // (x1, y1) to (x2, y2), penWidth, round caps
    RoundRect,  // filled: corners (x1, y1) and (x2, y2), corner radius; see argbBottom, edgeArgb
    Triangle,   // filled: (x1, y1), (x2, y2), (x3, y3)
};

// One shape; coordinates are in canvas units with y growing downwards. Angles count
// counter-clockwise from three o'clock. Colours are 0xAARRGGBB.
struct IconShape {
    IconShapeKind kind = IconShapeKind::Disc;
    std::uint32_t argb = 0xFF000000;
    float x1 = 0, y1 = 0;
    float x2 = 0, y2 = 0;
    float x3 = 0, y3 = 0;
    float radius = 0;
    float penWidth = 0;
    float startDegrees = 0;
    float spanDegrees = 0;
    // Arc: ends cut square at the end points rather than rounded.
    bool flatEnds = false;
    // RoundRect: when not 0, the fill shades evenly from argb at the top to this at the bottom.
    std::uint32_t argbBottom = 0;
    // RoundRect: when penWidth is above 0, an edge of that width is drawn in this colour along
    // the outline, centred on it.
    std::uint32_t edgeArgb = 0;
};

struct IconDrawing {
    int id = 0;
    float canvasSize = 32;  // the canvas is canvasSize x canvasSize units
    std::span<const IconShape> shapes;
};

// Readable constructors for resource tables.
constexpr IconShape IconDisc(float cx, float cy, float radius, std::uint32_t argb) {
    IconShape shape;
    shape.kind = IconShapeKind::Disc;
    shape.argb = argb;
    shape.x1 = cx;
    shape.y1 = cy;
    shape.radius = radius;
    return shape;
}

constexpr IconShape IconRing(float cx, float cy, float radius, float penWidth, std::uint32_t argb) {
    IconShape shape = IconDisc(cx, cy, radius, argb);
    shape.kind = IconShapeKind::Ring;
    shape.penWidth = penWidth;
    return shape;
}

constexpr IconShape IconArc(float cx, float cy, float radius, float penWidth, float startDegrees,
                            float spanDegrees, std::uint32_t argb) {
    IconShape shape = IconRing(cx, cy, radius, penWidth, argb);
    shape.kind = IconShapeKind::Arc;
    shape.startDegrees = startDegrees;
    shape.spanDegrees = spanDegrees;
    return shape;
}

constexpr IconShape IconLine(float x1, float y1, float x2, float y2, float penWidth,
                             std::uint32_t argb) {
    IconShape shape;
    shape.kind = IconShapeKind::Line;
    shape.argb = argb;
    shape.x1 = x1;
    shape.y1 = y1;
    shape.x2 = x2;
    shape.y2 = y2;
    shape.penWidth = penWidth;
    return shape;
}

constexpr IconShape IconRoundRect(float x1, float y1, float x2, float y2, float radius,
                                  std::uint32_t argb) {
    IconShape shape = IconLine(x1, y1, x2, y2, 0, argb);
    shape.kind = IconShapeKind::RoundRect;
    shape.radius = radius;
    return shape;
}

constexpr IconShape IconTriangle(float x1, float y1, float x2, float y2, float x3, float y3,
                                 std::uint32_t argb) {
    IconShape shape = IconLine(x1, y1, x2, y2, 0, argb);
    shape.kind = IconShapeKind::Triangle;
    shape.x3 = x3;
    shape.y3 = y3;
    return shape;
}

}  // namespace zav::platform
