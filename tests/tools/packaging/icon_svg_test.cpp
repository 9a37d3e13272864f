// The scalable desktop icons: what each icon shape becomes in SVG. The pictures as a whole are
// compared with the PNG icons by the icons_svg_matches_png test
// (tests/tools/packaging/CMakeLists.txt).

#include <gtest/gtest.h>

#include <array>
#include <regex>
#include <string>

#include "packaging/icons/icon_svg.h"

namespace zav::packaging {
namespace {

using platform::IconDrawing;
using platform::IconShape;

std::string SvgOf(std::span<const IconShape> shapes, float canvasSize = 32) {
    return IconSvg(IconDrawing{1, canvasSize, shapes});
}

std::string PathOf(const std::string& svg) {
    std::smatch match;
    return std::regex_search(svg, match, std::regex(" d=\"([^\"]*)\"")) ? match[1].str() : "";
}

struct ArcCase {
    float startDegrees;
    float spanDegrees;
    const char* path;  // centre (16, 16), radius 10, y downwards
};

TEST(IconSvg, ArcsRunCounterClockwiseFromThreeOClock) {
    const std::array cases{
        ArcCase{0, 90, "M26 16A10 10 0 0 0 16 6"},      // up to twelve o'clock
        ArcCase{90, -90, "M16 6A10 10 0 0 1 26 16"},    // back, clockwise
        ArcCase{180, 270, "M6 16A10 10 0 1 0 16 6"},    // the long way round
        ArcCase{270, -180, "M16 26A10 10 0 0 1 16 6"},  // half a turn is not the long way
        ArcCase{-90, 180, "M16 26A10 10 0 0 0 16 6"},   // through three o'clock
    };
    for (const ArcCase& arc : cases) {
        const std::array shapes{
            platform::IconArc(16, 16, 10, 2, arc.startDegrees, arc.spanDegrees, 0xFF000000)};
        EXPECT_EQ(PathOf(SvgOf(shapes)), arc.path)
            << "start " << arc.startDegrees << ", span " << arc.spanDegrees;
    }
}

TEST(IconSvg, AFullTurnOfArcIsARing) {
    const std::array shapes{platform::IconArc(16, 16, 10, 2, 45, -360, 0xFF000000)};
    const std::string svg = SvgOf(shapes);
    EXPECT_NE(svg.find("<circle cx=\"16\" cy=\"16\" r=\"10\" fill=\"none\""), std::string::npos)
        << svg;
    EXPECT_EQ(svg.find("<path"), std::string::npos) << svg;
}

TEST(IconSvg, EveryShapeBecomesOneElementInDrawingOrder) {
    const std::array shapes{
        platform::IconRoundRect(30, 31, 1, 2, 7, 0xFF2E5E8C),
        platform::IconDisc(24.5f, 7.5f, 2.25f, 0x80FF0000),
        platform::IconRing(16, 16, 8, 1.5f, 0xFFF4F6F8),
        platform::IconLine(13.5f, 10, 18.5f, 10, 0.5f, 0xFFB8C4CF),
        platform::IconTriangle(9, 5, 9, 27, 26, 16, 0xFF000000),
        platform::IconArc(16, 16, 10, 2, 0, 90, 0xFF7FD19A),
    };
    const std::string svg = SvgOf(shapes, 48);
    EXPECT_NE(svg.find("viewBox=\"0 0 48 48\""), std::string::npos) << svg;

    // The corners come in either order; the rectangle's size is never negative.
    const std::array<std::string, 6> elements{
        "<rect x=\"1\" y=\"2\" width=\"29\" height=\"29\" rx=\"7\" ry=\"7\" fill=\"#2E5E8C\"/>",
        "<circle cx=\"24.5\" cy=\"7.5\" r=\"2.25\" fill=\"#FF0000\" fill-opacity=\"0.5019608\"/>",
        "<circle cx=\"16\" cy=\"16\" r=\"8\" fill=\"none\" stroke=\"#F4F6F8\" "
        "stroke-width=\"1.5\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>",
        "<line x1=\"13.5\" y1=\"10\" x2=\"18.5\" y2=\"10\" fill=\"none\" stroke=\"#B8C4CF\" "
        "stroke-width=\"0.5\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>",
        "<polygon points=\"9,5 9,27 26,16\" fill=\"#000000\"/>",
        "<path d=\"M26 16A10 10 0 0 0 16 6\" fill=\"none\" stroke=\"#7FD19A\"",
    };
    std::size_t from = 0;
    for (const std::string& element : elements) {
        const std::size_t at = svg.find(element, from);
        ASSERT_NE(at, std::string::npos) << element << "\nin\n" << svg;
        from = at + element.size();
    }
    EXPECT_EQ(svg.find('<', svg.find("<path") + 1), svg.find("</svg>")) << "nothing more";
}

}  // namespace
}  // namespace zav::packaging
