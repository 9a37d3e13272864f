#include "tools/zavtool/reg_file.h"

#include <algorithm>

#include "tools/zavtool/hex_text.h"
#include "tools/zavtool/utf16.h"

namespace zavtool {

namespace {

using zav::platform::Bytes;
using zav::platform::NamedValue;
using zav::platform::RegistryValue;
using zav::platform::ValueType;

constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";
// The host's editor wraps hex data before this column.
constexpr std::size_t kHexLineWidth = 76;
// Problems quote at most this much of the offending text.
constexpr std::size_t kQuoteLimit = 40;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view Trim(std::string_view text) {
    return TrimLeft(TrimRight(text));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return zav::platform::FoldName(std::string_view(&a, 1)) ==
                      zav::platform::FoldName(std::string_view(&b, 1));
           });
}

std::string Quote(std::string_view text) {
    if (text.size() > kQuoteLimit)
        return std::string(text.substr(0, kQuoteLimit)) + "...";
    return std::string(text);
}

// The file's bytes as text: UTF-16LE (with its byte order mark) becomes UTF-8, a UTF-8 byte
// order mark is dropped, and anything else is taken byte for byte.
bool DecodeText(std::span<const std::uint8_t> bytes, std::string& text, std::string& error) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        if (!Utf16LeToUtf8(bytes.subspan(2), text)) {
            error = "not valid UTF-16LE text";
            return false;
        }
        return true;
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        error = "UTF-16 big-endian files are not supported";
        return false;
    }
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        bytes = bytes.subspan(3);
    }
    text.assign(bytes.begin(), bytes.end());
    return true;
}

class RegFileParser {
  public:
    explicit RegFileParser(std::string_view text) {
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos)
                end = text.size();
            std::string_view line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            lines_.push_back(line);
            start = end + 1;
        }
    }

    std::optional<RegFile> Parse(std::string& error) {
        RegFile file;
        if (!ParseHeader(file.format)) {
            error = error_;
            return std::nullopt;
        }
        for (++index_; index_ < lines_.size(); ++index_) {
            const std::string_view line = Trim(lines_[index_]);
            if (line.empty() || line.front() == ';')
                continue;
            bool parsed = false;
            if (line.front() == '[') {
                parsed = ParseSection(line, file);
            } else if (line.front() == '"' || line.front() == '@') {
                parsed = ParseValue(line, file);
            } else {
                parsed =
                    Problem("expected a [KEY] line, a value or a comment, found " + Quote(line));
            }
            if (!parsed) {
                error = error_;
                return std::nullopt;
            }
        }
        return file;
    }

  private:
    int LineNumber() const { return static_cast<int>(index_) + 1; }

    bool Problem(std::string_view message) { return ProblemAt(index_, message); }

    bool ProblemAt(std::size_t lineIndex, std::string_view message) {
        error_ = "line " + std::to_string(lineIndex + 1) + ": " + std::string(message);
        return false;
    }

    bool ParseHeader(RegFileFormat& format) {
        while (index_ < lines_.size() && Trim(lines_[index_]).empty())
            ++index_;
        if (index_ == lines_.size()) {
            index_ = 0;
            return Problem("the file is empty");
        }
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            if (lines_[i].find('\0') != std::string_view::npos) {
                index_ = i;
                return Problem("unexpected zero byte (a UTF-16 file needs its byte order mark)");
            }
        }
        const std::string_view header = Trim(lines_[index_]);
        if (header == kRegedit4Header) {
            format = RegFileFormat::Regedit4;
        } else if (header == kVersion5Header) {
            format = RegFileFormat::Version5;
        } else {
            return Problem("expected REGEDIT4 or Windows Registry Editor Version 5.00, found " +
                           Quote(header));
        }
        format_ = format;
        return true;
    }

    bool ParseSection(std::string_view line, RegFile& file) {
        if (line.back() != ']')
            return Problem("the key's closing ] is missing");
        std::string_view key = line.substr(1, line.size() - 2);
        RegFileSection section;
        section.line = LineNumber();
        if (!key.empty() && key.front() == '-') {
            section.removeKey = true;
            key.remove_prefix(1);
        }
        if (key.empty())
            return Problem("empty key name");
        section.key = std::string(key);
        file.sections.push_back(std::move(section));
        return true;
    }

    // A quoted text at the start of rest, which moves past its closing quote.
    bool ParseQuoted(std::string_view& rest, std::string& text, std::string_view what) {
        text.clear();
        for (std::size_t i = 1; i < rest.size(); ++i) {
            const char c = rest[i];
            if (c == '"') {
                rest.remove_prefix(i + 1);
                return true;
            }
            if (c == '\\') {
                if (i + 1 == rest.size())
                    break;
                const char escaped = rest[++i];
                if (escaped != '\\' && escaped != '"') {
                    return Problem("unknown escape \\" + std::string(1, escaped) + " in " +
                                   std::string(what));
                }
                text.push_back(escaped);
            } else {
                text.push_back(c);
            }
        }
        return Problem("the closing quote of " + std::string(what) + " is missing");
    }

    bool ParseValue(std::string_view line, RegFile& file) {
        if (file.sections.empty())
            return Problem("value outside a [KEY] section");
        RegFileEntry entry;
        entry.line = LineNumber();
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else if (!ParseQuoted(rest, entry.name, "the value's name")) {
            return false;
        }
        rest = TrimLeft(rest);
        if (rest.empty() || rest.front() != '=')
            return Problem("expected = after the value's name");
        rest = TrimLeft(rest.substr(1));
        if (!ParseData(rest, entry))
            return false;
        file.sections.back().entries.push_back(std::move(entry));
        return true;
    }

    bool ExpectEnd(std::string_view rest) {
        rest = Trim(rest);
        if (rest.empty())
            return true;
        return Problem("unexpected text after the value: " + Quote(rest));
    }

    bool ParseData(std::string_view rest, RegFileEntry& entry) {
        if (!rest.empty() && rest.front() == '-') {
            entry.remove = true;
            return ExpectEnd(rest.substr(1));
        }
        if (!rest.empty() && rest.front() == '"') {
            std::string text;
            if (!ParseQuoted(rest, text, "the text"))
                return false;
            entry.value = RegistryValue{ValueType::String, Bytes(text.begin(), text.end())};
            return ExpectEnd(rest);
        }
        if (StartsWithNoCase(rest, "dword:"))
            return ParseDword(rest.substr(6), entry);
        if (StartsWithNoCase(rest, "hex"))
            return ParseHex(rest.substr(3), entry);
        if (rest.empty())
            return Problem("the value is missing after =");
        return Problem("unsupported value: " + Quote(rest));
    }

    bool ParseDword(std::string_view rest, RegFileEntry& entry) {
        const std::string_view digits = Trim(rest);
        std::uint32_t number = 0;
        bool valid = !digits.empty() && digits.size() <= 8;
        for (char c : digits) {
            const int digit = HexDigitValue(c);
            valid = valid && digit >= 0;
            number = (number << 4) | static_cast<std::uint32_t>(std::max(digit, 0));
        }
        if (!valid)
            return Problem("not a dword: " + Quote(digits));
        entry.value = RegistryValue{
            ValueType::Dword,
            {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
             static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}};
        return true;
    }

    // After "hex": an optional "(N)" with the type in hex, ':', then bytes.
    bool ParseHex(std::string_view rest, RegFileEntry& entry) {
        ValueType type = ValueType::Binary;
        if (!rest.empty() && rest.front() == '(') {
            const std::size_t close = rest.find(')');
            const std::string_view digits =
                rest.substr(1, close == std::string_view::npos ? 0 : close - 1);
            std::uint32_t code = 0;
            bool valid = close != std::string_view::npos && !digits.empty() && digits.size() <= 8;
            for (char c : digits) {
                const int digit = HexDigitValue(c);
                valid = valid && digit >= 0;
                code = (code << 4) | static_cast<std::uint32_t>(std::max(digit, 0));
            }
            if (!valid)
                return Problem("expected hex(N) with N the type in hex digits");
            type = static_cast<ValueType>(code);
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest.front() != ':')
            return Problem("expected : after hex");
        rest.remove_prefix(1);

        Bytes bytes;
        if (!ParseHexBytes(rest, bytes))
            return false;
        if (format_ == RegFileFormat::Version5 &&
            (type == ValueType::String || type == ValueType::ExpandString ||
             type == ValueType::MultiString)) {
            std::string text;
            if (!Utf16LeToUtf8(bytes, text)) {
                return Problem("the text in hex(" + std::to_string(static_cast<int>(type)) +
                               ") is not valid UTF-16LE");
            }
            bytes.assign(text.begin(), text.end());
        }
        entry.value = RegistryValue{type, std::move(bytes)};
        return true;
    }

    // Comma-separated bytes; a trailing backslash continues them on the next line. A problem
    // names the line where the bad byte stands.
    bool ParseHexBytes(std::string_view rest, Bytes& bytes) {
        std::string joined;
        std::vector<std::size_t> lineOf;  // the line index of each character of joined
        std::string_view chunk = Trim(rest);
        while (true) {
            const bool continues = !chunk.empty() && chunk.back() == '\\';
            if (continues)
                chunk = TrimRight(chunk.substr(0, chunk.size() - 1));
            joined += chunk;
            lineOf.insert(lineOf.end(), chunk.size(), index_);
            if (!continues)
                break;
            if (index_ + 1 >= lines_.size()) {
                return Problem("the hex data continues past the end of the file");
            }
            ++index_;
            chunk = Trim(lines_[index_]);
        }
        if (joined.empty())
            return true;

        const std::string_view all(joined);
        std::size_t start = 0;
        while (true) {
            std::size_t comma = all.find(',', start);
            const bool last = comma == std::string_view::npos;
            if (last)
                comma = all.size();
            std::size_t first = start;
            while (first < comma && IsBlank(all[first]))
                ++first;
            const std::size_t line = lineOf[std::min(first, all.size() - 1)];
            const std::string_view item = Trim(all.substr(start, comma - start));
            if (item.empty())
                return ProblemAt(line, "a hex byte is missing between commas");
            if (item.size() > 2 || HexDigitValue(item[0]) < 0 ||
                (item.size() == 2 && HexDigitValue(item[1]) < 0)) {
                return ProblemAt(line, "not a hex byte: " + Quote(item));
            }
            int value = HexDigitValue(item[0]);
            if (item.size() == 2)
                value = value * 16 + HexDigitValue(item[1]);
            bytes.push_back(static_cast<std::uint8_t>(value));
            if (last)
                return true;
            start = comma + 1;
        }
    }

    std::vector<std::string_view> lines_;
    std::size_t index_ = 0;
    RegFileFormat format_ = RegFileFormat::Regedit4;
    std::string error_;
};

bool FitsInQuotes(std::span<const std::uint8_t> bytes) {
    return std::none_of(bytes.begin(), bytes.end(),
                        [](std::uint8_t b) { return b == 0 || b == '\r' || b == '\n'; });
}

void AppendQuoted(std::string& out, std::span<const std::uint8_t> bytes) {
    out.push_back('"');
    for (std::uint8_t b : bytes) {
        if (b == '\\' || b == '"')
            out.push_back('\\');
        out.push_back(static_cast<char>(b));
    }
    out.push_back('"');
}

// line already holds "Name"=hex...: and the bytes follow, wrapped as the host's editor wraps.
void AppendHexLines(std::string& out, std::string line, std::span<const std::uint8_t> bytes) {
    std::size_t onLine = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool last = i + 1 == bytes.size();
        if (onLine > 0 && line.size() + (last ? 2 : 3) > kHexLineWidth) {
            out += line;
            out += "\\\r\n";
            line = "  ";
            onLine = 0;
        }
        AppendHexByte(line, bytes[i]);
        if (!last)
            line.push_back(',');
        ++onLine;
    }
    out += line;
    out += "\r\n";
}

}  // namespace

std::optional<RegFile> ParseRegFile(std::span<const std::uint8_t> bytes, std::string& error) {
    std::string text;
    if (!DecodeText(bytes, text, error))
        return std::nullopt;
    return RegFileParser(text).Parse(error);
}

std::optional<std::string> FormatRegFile(std::string_view key, std::span<const NamedValue> values,
                                         std::string& error) {
    std::string out;
    out += kRegedit4Header;
    out += "\r\n\r\n[";
    out += key;
    out += "]\r\n";
    for (const NamedValue& named : values) {
        const auto* nameBytes = reinterpret_cast<const std::uint8_t*>(named.name.data());
        const std::span<const std::uint8_t> name(nameBytes, named.name.size());
        if (!FitsInQuotes(name)) {
            error = "the value name " + Quote(named.name) +
                    " holds a zero or line break byte, which a .reg file cannot hold";
            return std::nullopt;
        }
        std::string line;
        if (name.empty()) {
            line = "@";
        } else {
            AppendQuoted(line, name);
        }
        line.push_back('=');

        const RegistryValue& value = named.value;
        if (value.type == ValueType::String && FitsInQuotes(value.data)) {
            AppendQuoted(line, value.data);
            out += line;
            out += "\r\n";
        } else if (value.type == ValueType::Dword && value.data.size() == 4) {
            line += "dword:";
            for (int i = 3; i >= 0; --i)
                AppendHexByte(line, value.data[static_cast<std::size_t>(i)]);
            out += line;
            out += "\r\n";
        } else if (value.type == ValueType::Binary) {
            AppendHexLines(out, line + "hex:", value.data);
        } else {
            constexpr char kDigits[] = "0123456789abcdef";
            std::string code;
            for (auto number = static_cast<std::uint32_t>(value.type); number != 0 || code.empty();
                 number >>= 4) {
                code.insert(code.begin(), kDigits[number & 0xf]);
            }
            AppendHexLines(out, line + "hex(" + code + "):", value.data);
        }
    }
    out += "\r\n";
    return out;
}

}  // namespace zavtool
