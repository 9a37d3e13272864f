#include "platform/qt/accessible_push_button.h"

#include "platform/qt/push_state_button.h"

namespace zav::platform::qt {

namespace {

// What a listener hears about the key drawn pushed in.
constexpr auto kPushedInDescription = "selected";

// A button's text as it is read: '&' marks the mnemonic, "&&" stands for '&'.
QString WithoutMnemonic(const QString& text) {
    QString read;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            read += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == u'&') {
            read += u'&';
            ++i;
        }
    }
    return read;
}

}  // namespace

AccessiblePushButton::AccessiblePushButton(PushStateButton* button)
    : QAccessibleWidget(button, QAccessible::Button) {}

PushStateButton& AccessiblePushButton::Button() const {
    return *static_cast<PushStateButton*>(widget());
}

QString AccessiblePushButton::text(QAccessible::Text type) const {
    if (type == QAccessible::Name) {
        const QString name = QAccessibleWidget::text(type);
        return name.isEmpty() ? WithoutMnemonic(Button().text()) : name;
    }
    if (type == QAccessible::Description && Button().IsPushedIn())
        return QString::fromLatin1(kPushedInDescription);
    return QAccessibleWidget::text(type);
}

QAccessible::State AccessiblePushButton::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    const PushStateButton& button = Button();
    state.pressed = button.isDown() || button.IsPushedIn();
    state.checked = button.IsPushedIn();
    state.defaultButton = button.isDefault();
    return state;
}

QStringList AccessiblePushButton::actionNames() const {
    QStringList names;
    if (widget()->isEnabled())
        names << pressAction();
    return names + QAccessibleWidget::actionNames();
}

void AccessiblePushButton::doAction(const QString& actionName) {
    if (actionName != pressAction()) {
        QAccessibleWidget::doAction(actionName);
    } else if (widget()->isEnabled()) {
        // A press from an assistive tool is a click: the program hears it as one.
        Button().click();
    }
}

void AnnouncePushedIn(PushStateButton& button) {
    if (!QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.pressed = true;
    changed.checked = true;
    QAccessibleStateChangeEvent state(&button, changed);
    QAccessible::updateAccessibility(&state);
    QAccessibleEvent description(&button, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&description);
}

}  // namespace zav::platform::qt
