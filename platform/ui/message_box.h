#pragma once
// Modal message boxes owned by a dialog, with the host's styles and results.

#include <cstdint>
#include <string>
#include <string_view>

namespace zav::platform {

// Button sets, icons and default buttons keep the host's style bits (MB_OK, MB_ICONERROR ...).
enum class MessageButtons : std::uint32_t { Ok = 0x0, OkCancel = 0x1 };
enum class MessageIcon : std::uint32_t {
    None = 0x00,
    Error = 0x10,        // MB_ICONERROR
    Question = 0x20,     // MB_ICONQUESTION
    Exclamation = 0x30,  // MB_ICONEXCLAMATION
    Information = 0x40,  // MB_ICONINFORMATION
};
enum class DefaultButton : std::uint32_t { First = 0x000, Second = 0x100 };

struct MessageStyle {
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    DefaultButton defaultButton = DefaultButton::First;

    // The host's style word, e.g. 0x30 for an OK box with the exclamation icon.
    std::uint32_t Bits() const {
        return static_cast<std::uint32_t>(buttons) | static_cast<std::uint32_t>(icon) |
               static_cast<std::uint32_t>(defaultButton);
    }
    friend bool operator==(const MessageStyle&, const MessageStyle&) = default;
};

// The button that closed the box, with the host's numbers (IDOK, IDCANCEL).
enum class MessageAnswer : std::int32_t { Ok = 1, Cancel = 2 };

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Shows the box modally and returns when the user has answered.
    // Thread: dialog.
    virtual MessageAnswer Show(std::string_view text, std::string_view caption,
                               MessageStyle style) = 0;
};

}  // namespace zav::platform
