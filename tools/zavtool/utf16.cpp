#include "tools/zavtool/utf16.h"

namespace zavtool {

namespace {

void AppendUtf8(std::string& text, char32_t code) {
    if (code < 0x80) {
        text.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (code >> 6)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | (code >> 12)));
        text.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | (code >> 18)));
        text.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

bool Utf16LeToUtf8(std::span<const std::uint8_t> bytes, std::string& text) {
    if (bytes.size() % 2 != 0)
        return false;
    text.reserve(text.size() + bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        char32_t unit = bytes[i] | (char32_t{bytes[i + 1]} << 8);
        if (IsLowSurrogate(unit))
            return false;
        if (IsHighSurrogate(unit)) {
            if (i + 3 >= bytes.size())
                return false;
            const char32_t low = bytes[i + 2] | (char32_t{bytes[i + 3]} << 8);
            if (!IsLowSurrogate(low))
                return false;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        AppendUtf8(text, unit);
    }
    return true;
}

}  // namespace zavtool
