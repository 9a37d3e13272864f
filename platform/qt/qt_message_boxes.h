#pragma once
// Message boxes as Qt shows them, with the icon and buttons the host's style bits ask for. A
// box is owned by its dialog; while that dialog is not yet visible (its creation checks) the box
// stands on its own, centred on the screen.
//
// Thread: GUI.

#include "platform/ui/message_box.h"

class QWidget;

namespace zav::platform::qt {

class QtMessageBoxes : public MessageBoxes {
  public:
    explicit QtMessageBoxes(QWidget* owner) : owner_(owner) {}

    MessageAnswer Show(std::string_view text, std::string_view caption,
                       MessageStyle style) override;

  private:
    QWidget* owner_;
};

}  // namespace zav::platform::qt
