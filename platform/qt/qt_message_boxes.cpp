#include "platform/qt/qt_message_boxes.h"

#include <QMessageBox>
#include <QPushButton>
#include <QString>

namespace zav::platform::qt {

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

MessageAnswer QtMessageBoxes::Show(std::string_view text, std::string_view caption,
                                   MessageStyle style) {
    QWidget* parent = (owner_ != nullptr && owner_->isVisible()) ? owner_ : nullptr;
    QMessageBox box(ToQtIcon(style.icon), FromUtf8(caption), FromUtf8(text), QMessageBox::NoButton,
                    parent);
    box.setTextFormat(Qt::PlainText);  // the host shows texts as they are
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    QPushButton* cancel = nullptr;
    if (style.buttons == MessageButtons::OkCancel) {
        cancel = box.addButton(QMessageBox::Cancel);
        box.setEscapeButton(cancel);
    } else {
        box.setEscapeButton(ok);
    }
    box.setDefaultButton(style.defaultButton == DefaultButton::Second && cancel != nullptr ? cancel
                                                                                           : ok);
    box.exec();
    return box.clickedButton() == cancel && cancel != nullptr ? MessageAnswer::Cancel
                                                              : MessageAnswer::Ok;
}

}  // namespace zav::platform::qt
