#pragma once
// UTF-16LE text (as the host's Unicode .reg files hold it) turned into UTF-8.
//
// Thread: any.

#include <cstdint>
#include <span>
#include <string>

namespace zavtool {

// Appends the UTF-8 form of bytes to text. False, with text unspecified, when the byte count
// is odd or a surrogate is unpaired.
bool Utf16LeToUtf8(std::span<const std::uint8_t> bytes, std::string& text);

}  // namespace zavtool
