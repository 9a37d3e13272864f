#include "platform/qt/accessible_level.h"

#include <QWidget>

#include "platform/qt/level_display.h"

namespace zav::platform::qt {

void AnnounceLevel(QWidget& widget, int level) {
    // Checked first: building the event would create the widget's interface for nobody.
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(&widget, level);
    QAccessible::updateAccessibility(&event);
}

AccessibleLevel::AccessibleLevel(QWidget* widget, const LevelDisplay& display)
    : QAccessibleWidget(widget, QAccessible::ProgressBar), display_(display) {}

void* AccessibleLevel::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString AccessibleLevel::text(QAccessible::Text type) const {
    if (type == QAccessible::Value) {
        return QStringLiteral("%1 of %2").arg(display_.ShownLevel()).arg(LevelDisplay::kMaximum);
    }
    return QAccessibleWidget::text(type);
}

QVariant AccessibleLevel::currentValue() const {
    return display_.ShownLevel();
}

QVariant AccessibleLevel::maximumValue() const {
    return LevelDisplay::kMaximum;
}

QVariant AccessibleLevel::minimumValue() const {
    return LevelDisplay::kMinimum;
}

QVariant AccessibleLevel::minimumStepSize() const {
    return 1;
}

}  // namespace zav::platform::qt
