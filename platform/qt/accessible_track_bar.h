#pragma once
// How assistive tools see a TrackBar: a slider named by its template (the label beside it),
// whose value they read and may set. A value set by a tool moves the thumb as the user would,
// so the program hears of it (as the end of a drag) and keeps, say, the mixer in step.
//
// Thread: GUI (Qt's accessibility calls come on it).

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

namespace zav::platform::qt {

class TrackBar;

class AccessibleTrackBar : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit AccessibleTrackBar(TrackBar* bar);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text type) const override;

    // QAccessibleValueInterface
    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

  private:
    TrackBar& Bar() const;
};

}  // namespace zav::platform::qt
