#pragma once
// The host's registry editor text format (.reg files): reading any file it writes, and writing
// one key so that both the host's editor and ParseRegFile take it back exactly.
//
// Reading accepts the "REGEDIT4" and "Windows Registry Editor Version 5.00" headers, UTF-8 or
// ANSI text (with or without a UTF-8 byte order mark) and UTF-16LE text with its byte order
// mark, CRLF or LF line ends, ';' comment lines, [KEY] and [-KEY] sections, and values written
// as "Name"="text" (escapes \\ and \"), @ for the default value, dword:XXXXXXXX, hex:.. (binary),
// hex(N):.. (type N), hex data continued on the next line after a trailing backslash, and
// "Name"=- to delete.
//
// Values come out in the store's form: a quoted text is its bytes without a terminating zero,
// as KeyVoice writes its texts. In a Version 5.00 file, hex(1), hex(2) and hex(7) data are
// UTF-16LE and are turned into UTF-8, so that both headers give the same store bytes.
//
// Thread: any; the functions share no state.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"

namespace zavtool {

// The largest .reg file that reg import reads and reg export writes. Our key's files are a few
// hundred bytes; this bounds memory for a wrong file, and an export never makes a file that
// the import would refuse.
inline constexpr std::uint64_t kMaxRegFileBytes = std::uint64_t{4} << 20;

enum class RegFileFormat { Regedit4, Version5 };

struct RegFileEntry {
    int line = 0;
    std::string name;     // empty for the default value (@)
    bool remove = false;  // "Name"=-
    zav::platform::RegistryValue value;
};

struct RegFileSection {
    int line = 0;
    std::string key;         // between the brackets, hive name first
    bool removeKey = false;  // [-KEY]
    std::vector<RegFileEntry> entries;
};

struct RegFile {
    RegFileFormat format = RegFileFormat::Regedit4;
    std::vector<RegFileSection> sections;
};

// The whole file, or nothing with one line in error naming the problem and, for a problem in
// the text, its line: "line 7: not a hex byte: zz".
std::optional<RegFile> ParseRegFile(std::span<const std::uint8_t> bytes, std::string& error);

// A REGEDIT4 file holding one section for key (hive name first) with values in their order,
// CRLF line ends. Each value gets the form that gives back exactly its bytes:
//   - a string whose bytes hold no zero, CR or LF: "Name"="text", meaning exactly those bytes
//     without a terminating zero;
//   - any other string: hex(1):.. with its bytes, terminator included when it has one;
//   - a dword of exactly four bytes: dword:XXXXXXXX; binary: hex:..; every other type and a
//     dword of another length: hex(N):..
// REGEDIT4 is chosen because its hex(N) data are the bytes themselves (Version 5.00 would
// need UTF-16). Nothing, with error, when a value name holds a zero, CR or LF byte, which no
// .reg line can carry.
std::optional<std::string> FormatRegFile(std::string_view key,
                                         std::span<const zav::platform::NamedValue> values,
                                         std::string& error);

}  // namespace zavtool
