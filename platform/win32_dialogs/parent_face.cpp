#include "platform/win32_dialogs/parent_face.h"

#include <string_view>

namespace zav::platform::win32 {

namespace {

constexpr std::wstring_view kDialogClass = L"#32770";

HWND DialogOf(HWND window) {
    HWND current = ::GetParent(window);
    while (current != nullptr) {
        wchar_t name[16] = {};
        ::GetClassNameW(current, name, 16);
        if (kDialogClass == name)
            return current;
        current = ::GetParent(current);
    }
    return ::GetParent(window);
}

}  // namespace

COLORREF ParentFaceColour(HWND window, HDC dc) {
    const HWND dialog = DialogOf(window);
    if (dialog != nullptr) {
        const auto brush = reinterpret_cast<HBRUSH>(
            ::SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(window)));
        LOGBRUSH description{};
        if (brush != nullptr && ::GetObjectW(brush, sizeof(description), &description) != 0 &&
            description.lbStyle == BS_SOLID) {
            return description.lbColor;
        }
    }
    return ::GetSysColor(COLOR_3DFACE);
}

}  // namespace zav::platform::win32
