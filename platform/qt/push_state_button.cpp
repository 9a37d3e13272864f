#include "platform/qt/push_state_button.h"

#include <QEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "platform/qt/accessible_push_button.h"
#include "platform/qt/icon_painter.h"

namespace zav::platform::qt {

PushStateButton::PushStateButton(QWidget* parent) : QPushButton(parent) {}

void PushStateButton::SetPushedIn(bool pushed) {
    if (pushedIn_ == pushed)
        return;
    pushedIn_ = pushed;
    update();
    AnnouncePushedIn(*this);
}

void PushStateButton::SetPicture(const IconDrawing& picture, int side) {
    picture_ = picture;
    pictureSide_ = side;
    setIconSize(QSize(side, side));
    MakePictureIcon();
}

void PushStateButton::MakePictureIcon() {
    QIcon icon(IconPixmap(*picture_, pictureSide_));
    const QPixmap silhouette = IconSilhouette(
        *picture_, pictureSide_, palette().color(QPalette::Disabled, QPalette::ButtonText));
    QStyleOption option;
    option.initFrom(this);
    icon.addPixmap(style()->generatedIconPixmap(QIcon::Disabled, silhouette, &option),
                   QIcon::Disabled);
    setIcon(icon);
}

void PushStateButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    // The disabled picture follows the palette and the style, as the disabled text does.
    if (picture_ &&
        (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange))
        MakePictureIcon();
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
