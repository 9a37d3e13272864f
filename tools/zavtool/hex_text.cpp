#include "tools/zavtool/hex_text.h"

namespace zavtool {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void AppendHexByte(std::string& out, std::uint8_t byte) {
    constexpr char kDigits[] = "0123456789abcdef";
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 0x0f]);
}

std::string FormatHexBytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i != 0)
            text.push_back(' ');
        AppendHexByte(text, bytes[i]);
    }
    return text;
}

}  // namespace zavtool
