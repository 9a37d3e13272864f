#include "platform/qt/track_bar.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionSlider>

namespace zav::platform::qt {

namespace {

constexpr int kTickLength = 4;
constexpr int kTickGap = 2;  // between the thumb's reach and a tick

}  // namespace

TrackBar::TrackBar(Qt::Orientation orientation, bool ticksBothSides, QWidget* parent)
    : QSlider(orientation, parent) {
    // The style lays out the channel with room for ticks; the ticks themselves are ours.
    setTickPosition(ticksBothSides ? QSlider::TicksBothSides : QSlider::TicksBelow);
    if (orientation == Qt::Vertical) {
        // The host's vertical trackbar has its minimum at the top, and Up moves towards it.
        setInvertedAppearance(true);
        setInvertedControls(true);
    }
    setRange(model_.rangeMinimum, model_.rangeMaximum);
    connect(this, &QAbstractSlider::actionTriggered, this, &TrackBar::OnAction);
    connect(this, &QAbstractSlider::sliderReleased, this, [this] {
        emit UserScrolled(ScrollCode::ThumbPosition);
        emit UserScrolled(ScrollCode::EndTrack);
    });
}

bool TrackBar::AddTick(int position) {
    if (!model_.AddTic(position))
        return false;
    update();
    return true;
}

void TrackBar::SetRangeQuietly(int minimum, int maximum) {
    const QSignalBlocker blocker(this);
    model_.position = value();
    model_.SetRange(minimum, maximum);
    setRange(model_.rangeMinimum, model_.rangeMaximum);
    setValue(model_.position);
    update();
}

void TrackBar::SetPositionQuietly(int position) {
    const QSignalBlocker blocker(this);
    setValue(model_.SetPosition(position));  // also moves sliderPosition
}

void TrackBar::MoveForUser(int position) {
    // No slider action: the two notifications below are the report.
    setValue(model_.SetPosition(position));
    emit UserScrolled(ScrollCode::ThumbPosition);
    emit UserScrolled(ScrollCode::EndTrack);
}

void TrackBar::OnAction(int action) {
    switch (static_cast<SliderAction>(action)) {
        case SliderSingleStepAdd:
            emit UserScrolled(ScrollCode::LineDown);
            break;
        case SliderSingleStepSub:
            emit UserScrolled(ScrollCode::LineUp);
            break;
        case SliderPageStepAdd:
            emit UserScrolled(ScrollCode::PageDown);
            break;
        case SliderPageStepSub:
            emit UserScrolled(ScrollCode::PageUp);
            break;
        case SliderToMinimum:
            emit UserScrolled(ScrollCode::Top);
            break;
        case SliderToMaximum:
            emit UserScrolled(ScrollCode::Bottom);
            break;
        case SliderMove:
            emit UserScrolled(ScrollCode::ThumbTrack);
            return;
        case SliderNoAction:
            return;
    }
    // A key press or a click in the channel ends its own track, as the host's key-up does.
    emit UserScrolled(ScrollCode::EndTrack);
}

void TrackBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);

    const int handleLength = style()->pixelMetric(QStyle::PM_SliderLength, &option, this);
    const int available = style()->pixelMetric(QStyle::PM_SliderSpaceAvailable, &option, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const bool horizontal = orientation() == Qt::Horizontal;

    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    auto drawTick = [&](int value) {
        const int along = QStyle::sliderPositionFromValue(minimum(), maximum(), value, available,
                                                          option.upsideDown) +
                          handleLength / 2;
        if (horizontal) {
            const int x = along;
            if (tickPosition() & QSlider::TicksAbove) {
                const int bottom = handle.top() - kTickGap;
                painter.drawLine(x, bottom - kTickLength, x, bottom);
            }
            if (tickPosition() & QSlider::TicksBelow) {
                const int top = handle.bottom() + kTickGap;
                painter.drawLine(x, top, x, top + kTickLength);
            }
        } else {
            const int y = along;
            if (tickPosition() & QSlider::TicksLeft) {
                const int right = handle.left() - kTickGap;
                painter.drawLine(right - kTickLength, y, right, y);
            }
            if (tickPosition() & QSlider::TicksRight) {
                const int left = handle.right() + kTickGap;
                painter.drawLine(left, y, left + kTickLength, y);
            }
        }
    };
    // The host draws the two ends' ticks without being asked.
    drawTick(minimum());
    drawTick(maximum());
    for (const int tick : model_.tics)
        drawTick(tick);
}

}  // namespace zav::platform::qt
