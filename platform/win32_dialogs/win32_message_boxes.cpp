#include "platform/win32_dialogs/win32_message_boxes.h"

#include "platform/win32/wide_text.h"

namespace zav::platform::win32 {

MessageAnswer Win32MessageBoxes::Show(std::string_view text, std::string_view caption,
                                      MessageStyle style) {
    const int answer = ::MessageBoxW(owner_, WideFromUtf8(text).c_str(),
                                     WideFromUtf8(caption).c_str(), style.Bits());
    // A box the system could not show (0) counts as declined: nothing is done on its behalf.
    return answer == IDOK ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

}  // namespace zav::platform::win32
