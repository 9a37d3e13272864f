#include "platform/qt/accessible_track_bar.h"

#include "platform/qt/track_bar.h"

namespace zav::platform::qt {

AccessibleTrackBar::AccessibleTrackBar(TrackBar* bar)
    : QAccessibleWidget(bar, QAccessible::Slider) {}

TrackBar& AccessibleTrackBar::Bar() const {
    return *static_cast<TrackBar*>(widget());
}

void* AccessibleTrackBar::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString AccessibleTrackBar::text(QAccessible::Text type) const {
    if (type == QAccessible::Value)
        return QString::number(Bar().sliderPosition());
    return QAccessibleWidget::text(type);
}

QVariant AccessibleTrackBar::currentValue() const {
    return Bar().sliderPosition();
}

void AccessibleTrackBar::setCurrentValue(const QVariant& value) {
    if (widget()->isEnabled())
        Bar().MoveForUser(value.toInt());
}

QVariant AccessibleTrackBar::maximumValue() const {
    return Bar().maximum();
}

QVariant AccessibleTrackBar::minimumValue() const {
    return Bar().minimum();
}

QVariant AccessibleTrackBar::minimumStepSize() const {
    return Bar().singleStep();
}

}  // namespace zav::platform::qt
