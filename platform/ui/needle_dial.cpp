#include "platform/ui/needle_dial.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zav::platform {

namespace {

constexpr double kStartDegrees = 150.0;  // value 0
constexpr double kSweepDegrees = 120.0;  // to value 15, clockwise
constexpr double kCardInset = 1.5;
constexpr float kCardCorner = 6.0f;
constexpr double kSmallestRadius = 4.0;  // a smaller window shows the card only

constexpr std::uint32_t kFaceTopArgb = 0xFFFBFAF6;
constexpr std::uint32_t kFaceBottomArgb = 0xFFF1F0ED;  // the top a twenty-fifth darker
constexpr std::uint32_t kFaceEdgeArgb = 0xFFB9B5AA;
constexpr std::uint32_t kTickArgb = 0xFF555D66;
constexpr std::uint32_t kJustRightMarkArgb = 0xFF3F9258;  // the just-right zone, darker

// The coloured band, in value units: quiet, just right, loud, too loud.
struct Zone {
    double from;
    double to;
    std::uint32_t argb;
};
constexpr std::array<Zone, 4> kZones{{
    {0.0, 5.0, 0xFF9FB6C9},
    {5.0, 10.0, 0xFF4CAF6A},
    {10.0, 12.5, 0xFFE9B44C},
    {12.5, 15.0, 0xFFD95F4B},
}};

float F(double value) {
    return static_cast<float>(value);
}

IconShape Stroke(DialPoint from, DialPoint to, double width, std::uint32_t argb) {
    return IconLine(F(from.x), F(from.y), F(to.x), F(to.y), F(width), argb);
}

}  // namespace

int GaugeValue(int value) {
    return std::clamp(value, kGaugeMinimum, kGaugeMaximum);
}

double NeedleAngleDegrees(double position) {
    const double clamped = std::clamp(position, double{kGaugeMinimum}, double{kGaugeMaximum});
    return kStartDegrees - kSweepDegrees * clamped / kGaugeMaximum;
}

double NeedleGlidePosition(double from, double to, double elapsedMs) {
    if (elapsedMs >= kNeedleGlideMs)
        return to;
    // A cubic ease-out: fast at first, gently at the end.
    const double rest = std::max(0.0, elapsedMs) / kNeedleGlideMs - 1.0;
    return from + (to - from) * (rest * rest * rest + 1.0);
}

DialPoint OnCircle(DialPoint centre, double radius, double degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    return {centre.x + radius * std::cos(radians), centre.y - radius * std::sin(radians)};
}

NeedleDial::NeedleDial(double width, double height)
    : left(kCardInset), top(kCardInset), right(width - kCardInset), bottom(height - kCardInset) {
    const double faceWidth = right - left;
    const double faceHeight = bottom - top;
    pivot = {left + faceWidth / 2.0, bottom - faceHeight * 0.12};
    radius =
        std::min(faceWidth * 0.5 / std::cos(std::numbers::pi / 6.0) - 10.0, (pivot.y - top) - 8.0);
    band = std::max(4.0, radius * 0.09);
}

double NeedleDial::HubRadius() const {
    return std::max(3.5, radius * 0.08);
}

std::array<DialPoint, 4> NeedleDial::Blade(DialPoint centre, double angleDegrees) const {
    const double length = NeedleLength();
    const double baseHalfWidth = std::max(1.6, radius * 0.035);
    return {OnCircle(centre, length, angleDegrees),
            OnCircle(centre, baseHalfWidth, angleDegrees + 90.0),
            OnCircle(centre, length * 0.12, angleDegrees + 180.0),
            OnCircle(centre, baseHalfWidth, angleDegrees - 90.0)};
}

DialPoint NeedleDial::Tip(double position) const {
    return OnCircle(pivot, NeedleLength(), NeedleAngleDegrees(position));
}

std::vector<IconShape> NeedleFaceShapes(int width, int height) {
    const NeedleDial dial(width, height);
    std::vector<IconShape> shapes;
    IconShape card = IconRoundRect(F(dial.left), F(dial.top), F(dial.right), F(dial.bottom),
                                   kCardCorner, kFaceTopArgb);
    card.argbBottom = kFaceBottomArgb;
    card.penWidth = 1.0f;
    card.edgeArgb = kFaceEdgeArgb;
    shapes.push_back(card);
    if (dial.radius <= kSmallestRadius)
        return shapes;

    // Coloured zones along the arc, with flat ends so that neighbouring zones meet cleanly.
    const double bandRadius = dial.radius - dial.band / 2.0;
    for (const Zone& zone : kZones) {
        const double start = NeedleAngleDegrees(zone.to);
        IconShape arc = IconArc(F(dial.pivot.x), F(dial.pivot.y), F(bandRadius), F(dial.band),
                                F(start), F(NeedleAngleDegrees(zone.from) - start), zone.argb);
        arc.flatEnds = true;
        shapes.push_back(arc);
    }

    // A tick for every value, inside the band; stronger at both ends.
    const double outer = dial.radius - dial.band - 2.0;
    for (int value = kGaugeMinimum; value <= kGaugeMaximum; ++value) {
        const bool major = value == kGaugeMinimum || value == kGaugeMaximum;
        const double angle = NeedleAngleDegrees(value);
        const double inner = outer - (major ? dial.band * 1.1 : dial.band * 0.8);
        shapes.push_back(Stroke(OnCircle(dial.pivot, inner, angle),
                                OnCircle(dial.pivot, outer, angle), major ? 1.8 : 1.0, kTickArgb));
    }
    // The just-right mark straight above the pivot.
    const double middle = NeedleAngleDegrees((kGaugeMinimum + kGaugeMaximum) / 2.0);
    shapes.push_back(Stroke(OnCircle(dial.pivot, outer - dial.band * 1.6, middle),
                            OnCircle(dial.pivot, outer, middle), 2.0, kJustRightMarkArgb));
    return shapes;
}

}  // namespace zav::platform
