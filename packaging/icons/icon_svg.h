#pragma once
// An icon drawing (platform/ui/icon_drawing.h) as an SVG document, for the desktop's scalable
// icons. It draws what the Qt icon painter draws: the same shapes in the same order, strokes
// with round caps and joins, arcs counted counter-clockwise from three o'clock.
//
// Thread: any; pure.

#include <string>

#include "platform/ui/icon_drawing.h"

namespace zav::packaging {

// A complete SVG file whose view box is the drawing's canvas.
std::string IconSvg(const platform::IconDrawing& icon);

}  // namespace zav::packaging
