#pragma once
// Paints the programs' icon drawings (platform/ui/icon_drawing.h) with QPainter.
//
// Thread: GUI (pixmaps and icons belong to the GUI thread).

#include <QIcon>
#include <QPixmap>
#include <span>

#include "platform/ui/icon_drawing.h"

class QColor;
class QPainter;
class QRectF;

namespace zav::platform::qt {

// Draws shapes in the painter's own coordinates, smoothed when the painter is set to.
void PaintShapes(std::span<const IconShape> shapes, QPainter& painter);
// Draws the icon's shapes scaled into target.
void PaintIcon(const IconDrawing& icon, QPainter& painter, const QRectF& target);
// The icon on a transparent square of size pixels.
QPixmap IconPixmap(const IconDrawing& icon, int size);
// The icon's outline filled with one colour, its edges smoothed as IconPixmap's: how a disabled
// control shows its picture.
QPixmap IconSilhouette(const IconDrawing& icon, int size, const QColor& colour);
// The icon at the sizes a window and its task-bar entry use.
QIcon WindowIcon(const IconDrawing& icon);

}  // namespace zav::platform::qt
