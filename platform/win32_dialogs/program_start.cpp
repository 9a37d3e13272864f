#include "platform/win32_dialogs/program_start.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/win32/wide_text.h"

namespace zav::platform::win32 {

namespace {

bool IsUsable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

bool WriteTo(HANDLE handle, std::string_view text) {
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        // A console shows UTF-16 whatever its code page.
        const std::wstring wide = WideFromUtf8(text);
        DWORD written = 0;
        return ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written,
                               nullptr) != FALSE;
    }
    DWORD written = 0;
    return ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) !=
               FALSE &&
           written == text.size();
}

}  // namespace

void TellUser(std::string_view text, std::string_view caption, Stream stream) {
    const DWORD which = stream == Stream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
    if (IsUsable(::GetStdHandle(which)) && WriteTo(::GetStdHandle(which), text))
        return;
    // A windowed program has no console; the one it was started from will do.
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        const HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, 0, nullptr);
        const bool written = console != INVALID_HANDLE_VALUE && WriteTo(console, text);
        if (console != INVALID_HANDLE_VALUE)
            ::CloseHandle(console);
        ::FreeConsole();
        if (written)
            return;
    }
    ::MessageBoxW(nullptr, WideFromUtf8(text).c_str(), WideFromUtf8(caption).c_str(),
                  MB_OK | (stream == Stream::Output ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
}

}  // namespace zav::platform::win32
