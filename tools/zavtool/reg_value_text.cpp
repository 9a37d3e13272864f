#include "tools/zavtool/reg_value_text.h"

#include <algorithm>

#include "tools/zavtool/hex_text.h"

namespace zavtool {

using zav::platform::Bytes;
using zav::platform::RegistryValue;
using zav::platform::ValueType;

std::optional<Bytes> ParseHexArgument(std::string_view text, std::string& bad) {
    Bytes bytes;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find_first_of(" \t,", start), text.size());
        const std::string_view word = text.substr(start, end - start);
        start = end + 1;
        if (word.empty())
            continue;
        if (word.size() % 2 != 0) {
            bad = std::string(word);
            return std::nullopt;
        }
        for (std::size_t i = 0; i < word.size(); i += 2) {
            const int high = HexDigitValue(word[i]);
            const int low = HexDigitValue(word[i + 1]);
            if (high < 0 || low < 0) {
                bad = std::string(word.substr(i, 2));
                return std::nullopt;
            }
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        }
    }
    return bytes;
}

std::optional<std::uint32_t> ParseDwordArgument(std::string_view text) {
    std::uint64_t number = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const std::string_view digits = text.substr(2);
        if (digits.size() > 8)
            return std::nullopt;
        for (char c : digits) {
            const int digit = HexDigitValue(c);
            if (digit < 0)
                return std::nullopt;
            number = number * 16 + static_cast<std::uint64_t>(digit);
        }
        return static_cast<std::uint32_t>(number);
    }
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (number > 0xFFFFFFFFu)
        return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

std::string ValueTypeName(ValueType type) {
    switch (type) {
        case ValueType::None:
            return "none";
        case ValueType::String:
            return "sz";
        case ValueType::ExpandString:
            return "expand_sz";
        case ValueType::Binary:
            return "binary";
        case ValueType::Dword:
            return "dword";
        case ValueType::MultiString:
            return "multi_sz";
    }
    return "type " + std::to_string(static_cast<std::uint32_t>(type));
}

std::string FormatValueText(const RegistryValue& value) {
    const Bytes& data = value.data;
    if (value.type == ValueType::String || value.type == ValueType::ExpandString) {
        return std::string(data.begin(), std::find(data.begin(), data.end(), 0));
    }
    if (value.type == ValueType::Dword && data.size() == 4) {
        const std::uint32_t number = data[0] | (std::uint32_t{data[1]} << 8) |
                                     (std::uint32_t{data[2]} << 16) |
                                     (std::uint32_t{data[3]} << 24);
        return std::to_string(number);
    }
    return FormatHexBytes(data);
}

std::string EscapeControlBytes(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte < 0x20 || byte == 0x7f) {
            escaped += "\\x";
            AppendHexByte(escaped, byte);
        } else {
            escaped.push_back(c);
        }
    }
    return escaped;
}

}  // namespace zavtool
