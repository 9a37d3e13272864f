#include "platform/qt/needle_gauge.h"

#include <QEasingCurve>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegion>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "platform/qt/accessible_level.h"

namespace zav::platform::qt {

namespace {

constexpr double kStartDegrees = 150.0;  // value 0
constexpr double kSweepDegrees = 120.0;  // to value 15, clockwise
constexpr int kGlideMs = 120;
constexpr int kGlideFrameMs = 30;  // about 33 frames a second: four steps in a glide
constexpr int kFocusInset = 4;     // inside the face's rounded edge

// The coloured band, in value units: quiet, just right, loud, too loud.
struct Zone {
    double from;
    double to;
    QColor colour;
};
const std::array<Zone, 4> kZones{{
    {0.0, 5.0, QColor(0x9f, 0xb6, 0xc9)},
    {5.0, 10.0, QColor(0x4c, 0xaf, 0x6a)},
    {10.0, 12.5, QColor(0xe9, 0xb4, 0x4c)},
    {12.5, 15.0, QColor(0xd9, 0x5f, 0x4b)},
}};

const QColor kFace(0xfb, 0xfa, 0xf6);
const QColor kFaceEdge(0xb9, 0xb5, 0xaa);
const QColor kTick(0x55, 0x5d, 0x66);
const QColor kNeedle(0x2b, 0x36, 0x40);
const QColor kHubHighlight(0x8a, 0x96, 0xa0);

QPointF OnCircle(QPointF centre, double radius, double degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    // Screen y grows downwards.
    return {centre.x() + radius * std::cos(radians), centre.y() - radius * std::sin(radians)};
}

// Where the parts of the dial lie in a widget of a given size.
struct Dial {
    QRectF face;
    QPointF pivot;
    double radius;
    double band;

    explicit Dial(const QRect& widget) : face(QRectF(widget).adjusted(1.5, 1.5, -1.5, -1.5)) {
        // The pivot sits low in the middle; the arc's ends reach about half the height.
        const double width = face.width();
        const double height = face.height();
        pivot = QPointF(face.center().x(), face.bottom() - height * 0.12);
        radius = std::min(width * 0.5 / std::cos(std::numbers::pi / 6.0) - 10.0,
                          (pivot.y() - face.top()) - 8.0);
        band = std::max(4.0, radius * 0.09);
    }

    double NeedleLength() const { return radius - band * 0.5; }
    double HubRadius() const { return std::max(3.5, radius * 0.08); }
};

const QPointF kShadowOffset(1.2, 1.6);

// The needle: a slim tapered blade with a short tail.
QPainterPath Blade(const Dial& dial, QPointF centre, double angle) {
    const double length = dial.NeedleLength();
    const double baseHalfWidth = std::max(1.6, dial.radius * 0.035);
    QPainterPath path;
    path.moveTo(OnCircle(centre, length, angle));
    path.lineTo(OnCircle(centre, baseHalfWidth, angle + 90.0));
    path.lineTo(OnCircle(centre, length * 0.12, angle + 180.0));
    path.lineTo(OnCircle(centre, baseHalfWidth, angle - 90.0));
    path.closeSubpath();
    return path;
}

void DrawFace(QPainter& painter, const Dial& dial) {
    // The face: a soft card with a rounded edge.
    QLinearGradient faceShade(dial.face.topLeft(), dial.face.bottomLeft());
    faceShade.setColorAt(0.0, kFace);
    faceShade.setColorAt(1.0, kFace.darker(104));
    painter.setPen(QPen(kFaceEdge, 1.0));
    painter.setBrush(faceShade);
    painter.drawRoundedRect(dial.face, 6.0, 6.0);

    const double radius = dial.radius;
    const double band = dial.band;
    const QPointF pivot = dial.pivot;
    const double bandRadius = radius - band / 2.0;
    const QRectF bandBox(pivot.x() - bandRadius, pivot.y() - bandRadius, 2 * bandRadius,
                         2 * bandRadius);

    // Coloured zones along the arc, with flat ends so that neighbouring zones meet cleanly.
    for (const Zone& zone : kZones) {
        QPen pen(zone.colour, band);
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        const double from = NeedleAngleDegrees(zone.from);
        const double to = NeedleAngleDegrees(zone.to);
        painter.drawArc(bandBox, static_cast<int>(std::lround(to * 16)),
                        static_cast<int>(std::lround((from - to) * 16)));
    }

    // A tick for every value, inside the band; stronger at both ends.
    for (int value = NeedleGauge::kMinimum; value <= NeedleGauge::kMaximum; ++value) {
        const bool major = value == NeedleGauge::kMinimum || value == NeedleGauge::kMaximum;
        const double angle = NeedleAngleDegrees(value);
        const double outer = radius - band - 2.0;
        const double inner = outer - (major ? band * 1.1 : band * 0.8);
        painter.setPen(QPen(kTick, major ? 1.8 : 1.0, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(OnCircle(pivot, inner, angle), OnCircle(pivot, outer, angle));
    }
    {
        // The just-right mark straight above the pivot.
        const double outer = radius - band - 2.0;
        const double angle = NeedleAngleDegrees(7.5);
        painter.setPen(QPen(kZones[1].colour.darker(120), 2.0, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(OnCircle(pivot, outer - band * 1.6, angle), OnCircle(pivot, outer, angle));
    }
}

}  // namespace

double NeedleAngleDegrees(double position) {
    const double clamped =
        std::clamp(position, double{NeedleGauge::kMinimum}, double{NeedleGauge::kMaximum});
    return kStartDegrees - kSweepDegrees * clamped / NeedleGauge::kMaximum;
}

NeedleGauge::NeedleGauge(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    glideTimer_.setInterval(kGlideFrameMs);
    connect(&glideTimer_, &QTimer::timeout, this, &NeedleGauge::GlideStep);
}

void NeedleGauge::SetValue(int value) {
    const int clamped = std::clamp(value, kMinimum, kMaximum);
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
    const double progress =
        std::min(1.0, static_cast<double>(glideClock_.elapsed()) / double{kGlideMs});
    if (progress >= 1.0) {
        glideTimer_.stop();
        MoveNeedle(value_);
        return;
    }
    static const QEasingCurve curve(QEasingCurve::OutCubic);
    MoveNeedle(glideFrom_ + (value_ - glideFrom_) * curve.valueForProgress(progress));
}

void NeedleGauge::MoveNeedle(double position) {
    const double shown = needle_;
    needle_ = position;
    if (TipPixel(position) == TipPixel(shown))
        return;
    update(QRegion(NeedleArea(shown)) + QRegion(NeedleArea(position)));
}

QRect NeedleGauge::NeedleArea(double position) const {
    const Dial dial(rect());
    const double angle = NeedleAngleDegrees(position);
    const double hub = dial.HubRadius();
    const QRectF covered =
        Blade(dial, dial.pivot, angle)
            .boundingRect()
            .united(Blade(dial, dial.pivot + kShadowOffset, angle).boundingRect())
            .united(QRectF(dial.pivot - QPointF(hub, hub), QSizeF(2 * hub, 2 * hub)));
    // Antialiasing reaches a pixel beyond the shape.
    return covered.toAlignedRect().adjusted(-2, -2, 2, 2);
}

QPoint NeedleGauge::TipPixel(double position) const {
    const Dial dial(rect());
    const QPointF tip = OnCircle(dial.pivot, dial.NeedleLength(), NeedleAngleDegrees(position));
    return (tip * devicePixelRatioF()).toPoint();
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
    DrawFace(painter, Dial(rect()));
    return face_;
}

void NeedleGauge::paintEvent(QPaintEvent*) {
    const QPixmap& face = Face();
    QPainter painter(this);
    painter.drawPixmap(0, 0, face);
    painter.setRenderHint(QPainter::Antialiasing);

    const Dial dial(rect());
    const double angle = NeedleAngleDegrees(needle_);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawPath(Blade(dial, dial.pivot + kShadowOffset, angle));
    painter.setBrush(kNeedle);
    painter.drawPath(Blade(dial, dial.pivot, angle));

    // The hub.
    const double hub = dial.HubRadius();
    QRadialGradient hubShade(dial.pivot - QPointF(hub * 0.3, hub * 0.3), hub * 1.2);
    hubShade.setColorAt(0.0, kHubHighlight);
    hubShade.setColorAt(1.0, kNeedle);
    painter.setBrush(hubShade);
    painter.drawEllipse(dial.pivot, hub, hub);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

}  // namespace zav::platform::qt
