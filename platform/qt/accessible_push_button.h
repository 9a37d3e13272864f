#pragma once
// How assistive tools see a PushStateButton: a button named by its accessible name (or its
// text), that presses like a click, and that reads as pressed and "selected" while the program
// holds it pushed in (the selected key of the recorder).
//
// Thread: GUI (Qt's accessibility calls come on it).

#include <QAccessibleWidget>

namespace zav::platform::qt {

class PushStateButton;

class AccessiblePushButton : public QAccessibleWidget {
  public:
    explicit AccessiblePushButton(PushStateButton* button);

    QString text(QAccessible::Text type) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

  private:
    PushStateButton& Button() const;
};

// Tells a listening assistive tool that button was pushed in or let out; does nothing while
// none listens.
void AnnouncePushedIn(PushStateButton& button);

}  // namespace zav::platform::qt
