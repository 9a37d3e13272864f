#pragma once
// The programs keep their texts in UTF-8; the host's wide ("W") functions take UTF-16.
//
// Thread: any (pure functions).

#include <string>
#include <string_view>

namespace zav::platform::win32 {

// Invalid UTF-8 becomes U+FFFD, as MultiByteToWideChar makes it.
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// The system's own text for an error code (GetLastError, a registry result), without the line
// break it ends with; the number when the system has no text for it.
std::string SystemErrorText(unsigned long code);

}  // namespace zav::platform::win32
