#include "platform/qt/needle_gauge.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegion>
#include <QStyleOptionFocusRect>
#include <array>

#include "platform/qt/accessible_level.h"
#include "platform/qt/icon_painter.h"

namespace zav::platform::qt {

namespace {

constexpr int kFocusInset = 4;  // inside the face's rounded edge

QPointF ToQt(DialPoint point) {
    return {point.x, point.y};
}

NeedleDial DialOf(const QRect& widget) {
    return {static_cast<double>(widget.width()), static_cast<double>(widget.height())};
}

DialPoint ShadowCentre(const NeedleDial& dial) {
    return {dial.pivot.x + kNeedleShadowX, dial.pivot.y + kNeedleShadowY};
}

QPainterPath Blade(const NeedleDial& dial, DialPoint centre, double angle) {
    const std::array<DialPoint, 4> corners = dial.Blade(centre, angle);
    QPainterPath path;
    path.moveTo(ToQt(corners[0]));
    for (std::size_t i = 1; i < corners.size(); ++i)
        path.lineTo(ToQt(corners[i]));
    path.closeSubpath();
    return path;
}

}  // namespace

NeedleGauge::NeedleGauge(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    glideTimer_.setInterval(kNeedleGlideFrameMs);
    connect(&glideTimer_, &QTimer::timeout, this, &NeedleGauge::GlideStep);
}

void NeedleGauge::SetValue(int value) {
    const int clamped = GaugeValue(value);
    if (clamped == value_)
        return;  // the needle is there or already gliding there
    value_ = clamped;
    AnnounceLevel(*this, value_);
    if (!isVisible()) {
        glideTimer_.stop();
        needle_ = value_;
        update();
        return;
    }
    glideFrom_ = needle_;
    glideClock_.start();
    if (!glideTimer_.isActive())
        glideTimer_.start();
}

void NeedleGauge::GlideStep() {
    const auto elapsed = static_cast<double>(glideClock_.elapsed());
    if (elapsed >= kNeedleGlideMs)
        glideTimer_.stop();
    MoveNeedle(NeedleGlidePosition(glideFrom_, value_, elapsed));
}

void NeedleGauge::MoveNeedle(double position) {
    const double shown = needle_;
    needle_ = position;
    if (TipPixel(position) == TipPixel(shown))
        return;
    update(QRegion(NeedleArea(shown)) + QRegion(NeedleArea(position)));
}

QRect NeedleGauge::NeedleArea(double position) const {
    const NeedleDial dial = DialOf(rect());
    const double angle = NeedleAngleDegrees(position);
    const double hub = dial.HubRadius();
    const QRectF covered =
        Blade(dial, dial.pivot, angle)
            .boundingRect()
            .united(Blade(dial, ShadowCentre(dial), angle).boundingRect())
            .united(QRectF(ToQt(dial.pivot) - QPointF(hub, hub), QSizeF(2 * hub, 2 * hub)));
    // Antialiasing reaches a pixel beyond the shape.
    return covered.toAlignedRect().adjusted(-2, -2, 2, 2);
}

QPoint NeedleGauge::TipPixel(double position) const {
    return (ToQt(DialOf(rect()).Tip(position)) * devicePixelRatioF()).toPoint();
}

const QPixmap& NeedleGauge::Face() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (face_.size() == pixels && face_.devicePixelRatio() == ratio)
        return face_;
    face_ = QPixmap(pixels);
    face_.setDevicePixelRatio(ratio);
    face_.fill(Qt::transparent);
    QPainter painter(&face_);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintShapes(NeedleFaceShapes(width(), height()), painter);
    return face_;
}

void NeedleGauge::paintEvent(QPaintEvent*) {
    const QPixmap& face = Face();
    QPainter painter(this);
    painter.drawPixmap(0, 0, face);
    painter.setRenderHint(QPainter::Antialiasing);

    const NeedleDial dial = DialOf(rect());
    const double angle = NeedleAngleDegrees(needle_);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgba(kNeedleShadowArgb));
    painter.drawPath(Blade(dial, ShadowCentre(dial), angle));
    painter.setBrush(QColor::fromRgba(kNeedleArgb));
    painter.drawPath(Blade(dial, dial.pivot, angle));

    // The hub, lit from the upper left.
    const double hub = dial.HubRadius();
    const QPointF pivot = ToQt(dial.pivot);
    QRadialGradient hubShade(pivot - QPointF(hub * 0.3, hub * 0.3), hub * 1.2);
    hubShade.setColorAt(0.0, QColor::fromRgba(kHubHighlightArgb));
    hubShade.setColorAt(1.0, QColor::fromRgba(kNeedleArgb));
    painter.setBrush(hubShade);
    painter.drawEllipse(pivot, hub, hub);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

}  // namespace zav::platform::qt
