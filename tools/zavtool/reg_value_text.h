#pragma once
// Values as `zavtool reg` reads them from its command line and shows them.
//
// Thread: any; the functions share no state.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry/registry.h"

namespace zavtool {

// Hex bytes in any of the forms "0a 1b", "0a,1b", "0a, 1b" or "0a1b"; each blank- or
// comma-separated word is an even number of hex digits. Nothing, with the offending word or
// pair in bad, when a word is not.
std::optional<zav::platform::Bytes> ParseHexArgument(std::string_view text, std::string& bad);

// A decimal number up to 4294967295, or 0x followed by one to eight hex digits.
std::optional<std::uint32_t> ParseDwordArgument(std::string_view text);

// The type's name in the listing: sz, expand_sz, binary, dword, multi_sz, none, or
// "type N" for any other code.
std::string ValueTypeName(zav::platform::ValueType type);

// What `reg get` prints: a string's text up to its first zero byte (where KeyVoice stops
// reading it), a four-byte dword in decimal, anything else as hex bytes "0a 1b".
std::string FormatValueText(const zav::platform::RegistryValue& value);

// The same for one line of `reg list`: control bytes in names and texts are written \xNN so
// that each value stays on its own line.
std::string EscapeControlBytes(std::string_view text);

}  // namespace zavtool
