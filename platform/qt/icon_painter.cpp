#include "platform/qt/icon_painter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>

namespace zav::platform::qt {

namespace {

QColor ToColor(std::uint32_t argb) {
    return QColor::fromRgba(argb);
}

QPen StrokePen(const IconShape& shape) {
    QPen pen(ToColor(shape.argb), static_cast<qreal>(shape.penWidth));
    pen.setCapStyle(shape.flatEnds ? Qt::FlatCap : Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QRectF CircleBox(const IconShape& shape) {
    return {shape.x1 - shape.radius, shape.y1 - shape.radius, 2.0 * shape.radius,
            2.0 * shape.radius};
}

// Qt measures arcs in sixteenths of a degree.
int ToArcUnits(float degrees) {
    return static_cast<int>(degrees * 16.0f);
}

void PaintShape(const IconShape& shape, QPainter& painter) {
    switch (shape.kind) {
        case IconShapeKind::Disc:
            painter.setPen(Qt::NoPen);
            painter.setBrush(ToColor(shape.argb));
            painter.drawEllipse(CircleBox(shape));
            break;
        case IconShapeKind::Ring:
            painter.setPen(StrokePen(shape));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(CircleBox(shape));
            break;
        case IconShapeKind::Arc:
            painter.setPen(StrokePen(shape));
            painter.setBrush(Qt::NoBrush);
            painter.drawArc(CircleBox(shape), ToArcUnits(shape.startDegrees),
                            ToArcUnits(shape.spanDegrees));
            break;
        case IconShapeKind::Line:
            painter.setPen(StrokePen(shape));
            painter.drawLine(QPointF(shape.x1, shape.y1), QPointF(shape.x2, shape.y2));
            break;
        case IconShapeKind::RoundRect: {
            const QRectF box(QPointF(shape.x1, shape.y1), QPointF(shape.x2, shape.y2));
            if (shape.penWidth > 0) {
                painter.setPen(QPen(ToColor(shape.edgeArgb), static_cast<qreal>(shape.penWidth)));
            } else {
                painter.setPen(Qt::NoPen);
            }
            if (shape.argbBottom != 0) {
                QLinearGradient shade(box.topLeft(), box.bottomLeft());
                shade.setColorAt(0.0, ToColor(shape.argb));
                shade.setColorAt(1.0, ToColor(shape.argbBottom));
                painter.setBrush(shade);
            } else {
                painter.setBrush(ToColor(shape.argb));
            }
            painter.drawRoundedRect(box, shape.radius, shape.radius);
            break;
        }
        case IconShapeKind::Triangle: {
            painter.setPen(Qt::NoPen);
            painter.setBrush(ToColor(shape.argb));
            const QPolygonF triangle({QPointF(shape.x1, shape.y1), QPointF(shape.x2, shape.y2),
                                      QPointF(shape.x3, shape.y3)});
            painter.drawPolygon(triangle);
            break;
        }
    }
}

}  // namespace

void PaintShapes(std::span<const IconShape> shapes, QPainter& painter) {
    for (const IconShape& shape : shapes)
        PaintShape(shape, painter);
}

void PaintIcon(const IconDrawing& icon, QPainter& painter, const QRectF& target) {
    if (icon.canvasSize <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(target.topLeft());
    painter.scale(target.width() / icon.canvasSize, target.height() / icon.canvasSize);
    PaintShapes(icon.shapes, painter);
    painter.restore();
}

QPixmap IconPixmap(const IconDrawing& icon, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    PaintIcon(icon, painter, QRectF(0, 0, size, size));
    return pixmap;
}

QPixmap IconSilhouette(const IconDrawing& icon, int size, const QColor& colour) {
    QPixmap pixmap = IconPixmap(icon, size);
    QPainter painter(&pixmap);
    // Keeps each pixel's coverage and replaces its colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), colour);
    return pixmap;
}

QIcon WindowIcon(const IconDrawing& icon) {
    QIcon result;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        result.addPixmap(IconPixmap(icon, size));
    return result;
}

}  // namespace zav::platform::qt
