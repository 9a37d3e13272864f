#include "platform/qt/push_state_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

#include "platform/qt/accessible_push_button.h"

namespace zav::platform::qt {

PushStateButton::PushStateButton(QWidget* parent) : QPushButton(parent) {}

void PushStateButton::SetPushedIn(bool pushed) {
    if (pushedIn_ == pushed)
        return;
    pushedIn_ = pushed;
    update();
    AnnouncePushedIn(*this);
}

void PushStateButton::paintEvent(QPaintEvent*) {
    // As QPushButton paints itself, with the program's pushed state added to the mouse's.
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    if (pushedIn_) {
        option.state |= QStyle::State_Sunken;
        option.state &= ~QStyle::State_Raised;
    }
    painter.drawControl(QStyle::CE_PushButton, option);
}

}  // namespace zav::platform::qt
