#include "platform/win32_dialogs/held_push_button.h"

#include <commctrl.h>

namespace zav::platform::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 0x5A48;  // this file's own subclass of a button
constexpr wchar_t kHeldProperty[] = L"ZavHeldPushed";

bool ShowsPushed(HWND button) {
    return (::SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
}

LRESULT CALLBACK HoldingProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR) {
    if (message == WM_NCDESTROY) {
        ::RemovePropW(button, kHeldProperty);
        ::RemoveWindowSubclass(button, HoldingProc, kSubclassId);
        return ::DefSubclassProc(button, message, wParam, lParam);
    }
    const LRESULT result = ::DefSubclassProc(button, message, wParam, lParam);
    // The button's own release (mouse up, space up, capture lost) clears the pushed state it
    // set itself; the program's hold outlasts it.
    if (message != BM_SETSTATE && message != BM_GETSTATE && IsHeldPushed(button) &&
        ::GetCapture() != button && !ShowsPushed(button)) {
        ::SendMessageW(button, BM_SETSTATE, TRUE, 0);
    }
    return result;
}

}  // namespace

bool MakeHoldable(HWND button) {
    return ::SetWindowSubclass(button, HoldingProc, kSubclassId, 0) != FALSE;
}

void HoldPushed(HWND button, bool pushed) {
    if (pushed) {
        ::SetPropW(button, kHeldProperty, reinterpret_cast<HANDLE>(1));
    } else {
        ::RemovePropW(button, kHeldProperty);
    }
    ::SendMessageW(button, BM_SETSTATE, pushed ? TRUE : FALSE, 0);
}

bool IsHeldPushed(HWND button) {
    return ::GetPropW(button, kHeldProperty) != nullptr;
}

}  // namespace zav::platform::win32
