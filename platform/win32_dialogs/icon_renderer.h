#pragma once
// Paints the programs' icon drawings (platform/ui/icon_drawing.h) with GDI into icons of the
// host's kind (HICON, 32-bit colour with alpha), at any pixel size: the window's large and small
// icon, a button's picture, an icon control.
//
// GDI draws each shape as a white mask four times the icon's size; the mask averaged down gives
// the shape's coverage of every pixel, and the shape's colour is laid over what is below it by
// that coverage and its own alpha. So edges come out smooth although GDI has no anti-aliasing.
//
// Thread: any; an icon belongs to the thread that made it in practice (the dialog thread).

#include <cstdint>
#include <span>
#include <vector>

#include "platform/ui/icon_drawing.h"
#include "platform/win32_dialogs/gdi_handles.h"

namespace zav::platform::win32 {

// The icon's pixels as 0xAARRGGBB words, not premultiplied, row by row from the top; size x size
// of them, all transparent for an empty drawing. Empty for a size that is not positive.
std::vector<std::uint32_t> RenderIconPixels(const IconDrawing& icon, int size);

// shapes in pixels (a unit is a pixel) on a transparent width x height canvas, as above: the
// needle gauge's face.
std::vector<std::uint32_t> RenderShapePixels(std::span<const IconShape> shapes, int width,
                                             int height);

// The same pixels as an icon; null when the system could not make one.
UniqueIcon MakeIcon(const IconDrawing& icon, int size);

}  // namespace zav::platform::win32
