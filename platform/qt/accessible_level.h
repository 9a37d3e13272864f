#pragma once
// How assistive tools see a level display: a read-only indicator whose value is the level it
// shows now, read on demand, with its name from the template (or a label standing for it).
// It has no children of its own: what is painted inside it is its look, not a control.
//
// Thread: GUI (Qt's accessibility calls come on it).

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

namespace zav::platform::qt {

class LevelDisplay;

class AccessibleLevel : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    // display is the same object as widget, seen as a level display.
    AccessibleLevel(QWidget* widget, const LevelDisplay& display);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text type) const override;
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    // QAccessibleValueInterface; the level is shown, not set.
    QVariant currentValue() const override;
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

  private:
    const LevelDisplay& display_;
};

// Tells a listening assistive tool that widget now shows level; does nothing while none listens.
void AnnounceLevel(QWidget& widget, int level);

}  // namespace zav::platform::qt
