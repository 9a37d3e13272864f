#pragma once
// Message boxes as the host shows them (MessageBoxW), owned by a dialog window: shown also while
// that window is still hidden (its creation checks), and the window is disabled while one is up.
//
// Thread: dialog.

#include <windows.h>

#include "platform/ui/message_box.h"

namespace zav::platform::win32 {

class Win32MessageBoxes final : public MessageBoxes {
  public:
    // owner is read at each Show: the dialog's window, null before it exists.
    explicit Win32MessageBoxes(const HWND& owner) : owner_(owner) {}

    MessageAnswer Show(std::string_view text, std::string_view caption,
                       MessageStyle style) override;

  private:
    const HWND& owner_;
};

}  // namespace zav::platform::win32
