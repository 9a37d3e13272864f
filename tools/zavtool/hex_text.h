#pragma once
// Hex digits, as the reg command and the .reg file format spell bytes.
//
// Thread: any.

#include <cstdint>
#include <span>
#include <string>

namespace zavtool {

// 0 to 15 for a hex digit of either case, -1 for anything else.
int HexDigitValue(char c);

// Two lower-case digits, as the host's registry editor writes bytes.
void AppendHexByte(std::string& out, std::uint8_t byte);

// "0a 1b 2c": the bytes with one blank between them; empty for no bytes.
std::string FormatHexBytes(std::span<const std::uint8_t> bytes);

}  // namespace zavtool
