#pragma once
// The level gauge of VoxGauge's dialog, as every window backend draws it: a dial whose needle
// shows a value from 0 (the "Too Quiet" end, lower left) to 15 (the "Too Loud" end, lower
// right), with a green zone around the top where the voice is just right.
//
// What is the same on every host lives here: the needle's angle for a value, the layout of the
// dial in a window of a given size, the face (card, coloured zones, ticks and the just-right
// mark) as shapes that the backend's icon painter draws, the needle's blade and colours, and the
// glide that moves the needle to a new value over a short moment instead of letting it jump.
// The backends draw the needle, its shadow and the hub on top of the face, with the focus frame.
//
// Thread: plain functions and data; the dialog thread in practice.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/ui/icon_drawing.h"

namespace zav::platform {

inline constexpr int kGaugeMinimum = 0;
inline constexpr int kGaugeMaximum = 15;

// A value held to the gauge's scale, 0 to 15.
int GaugeValue(int value);

// The needle's angle for a position in value units, in degrees counter-clockwise from three
// o'clock: 150 at 0, 90 (straight up) at 7.5, 30 at 15. Positions outside 0 to 15 are held to it.
double NeedleAngleDegrees(double position);

// The glide: kNeedleGlideMs long, fast at first and gentle at the end. A painted frame every
// kNeedleGlideFrameMs (about 33 a second, four steps to a glide) is plenty where frames cost.
inline constexpr int kNeedleGlideMs = 120;
inline constexpr int kNeedleGlideFrameMs = 30;
// Where the needle stands elapsedMs after a glide from `from` to `to` began: `to` from
// kNeedleGlideMs on.
double NeedleGlidePosition(double from, double to, double elapsedMs);

// The colours of the needle (0xAARRGGBB): its blade, the highlight of its hub (a radial shade
// from the upper left to the blade's colour at the rim), and its translucent shadow, which lies
// kNeedleShadowX, kNeedleShadowY pixels right of and below it.
inline constexpr std::uint32_t kNeedleArgb = 0xFF2B3640;
inline constexpr std::uint32_t kHubHighlightArgb = 0xFF8A96A0;
inline constexpr std::uint32_t kNeedleShadowArgb = 0x28000000;
inline constexpr double kNeedleShadowX = 1.2;
inline constexpr double kNeedleShadowY = 1.6;

struct DialPoint {
    double x = 0;
    double y = 0;
};

// Where the parts of the dial lie in a window of width x height pixels, in pixels.
struct NeedleDial {
    NeedleDial(double width, double height);

    // The face's card, inset from the window's edge.
    double left, top, right, bottom;
    // The needle turns about the pivot, low in the middle; the arc's ends reach about half the
    // height.
    DialPoint pivot;
    double radius;
    double band;  // the width of the coloured band along the arc

    double NeedleLength() const { return radius - band * 0.5; }
    double HubRadius() const;
    // The needle's outline around centre (the pivot, or the shadow's): a slim tapered blade
    // with a short tail, the tip first.
    std::array<DialPoint, 4> Blade(DialPoint centre, double angleDegrees) const;
    // The needle's tip at a position.
    DialPoint Tip(double position) const;
};

// The point at radius and angle (counter-clockwise from three o'clock) around centre, with
// screen y growing downwards.
DialPoint OnCircle(DialPoint centre, double radius, double degrees);

// The face of a gauge of width x height pixels, as shapes in pixels drawn in order: the card
// (shaded a little darker towards the bottom, with its edge), then, when the window leaves room
// for a dial, the zones along the arc, a tick for every value and the just-right mark.
std::vector<IconShape> NeedleFaceShapes(int width, int height);

}  // namespace zav::platform
