#pragma once
// Typed little-endian reads and writes for binary layouts (RIFF chunks, registry records).
// Readers take a span and an offset and never read outside the span: callers check the length
// first, and a read that would overrun is a programming error caught by the assertion.

#include <array>
#include <cassert>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace zav::platform {

inline std::uint16_t ReadLe16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    assert(offset + 2 <= bytes.size());
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline std::uint32_t ReadLe32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    assert(offset + 4 <= bytes.size());
    return static_cast<std::uint32_t>(bytes[offset]) |
           (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

// A four-character code as it stands in the file ("RIFF", "fmt ").
using FourCc = std::array<char, 4>;

inline FourCc MakeFourCc(std::string_view text) {
    assert(text.size() == 4);
    return {text[0], text[1], text[2], text[3]};
}

inline bool HasFourCc(std::span<const std::uint8_t> bytes, std::size_t offset, FourCc code) {
    assert(offset + 4 <= bytes.size());
    for (std::size_t i = 0; i < 4; ++i) {
        if (bytes[offset + i] != static_cast<std::uint8_t>(code[i]))
            return false;
    }
    return true;
}

// Appends values to a byte vector in little-endian order.
class LeWriter {
  public:
    explicit LeWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    LeWriter& U16(std::uint16_t value) {
        out_.push_back(static_cast<std::uint8_t>(value));
        out_.push_back(static_cast<std::uint8_t>(value >> 8));
        return *this;
    }
    LeWriter& U32(std::uint32_t value) {
        U16(static_cast<std::uint16_t>(value));
        return U16(static_cast<std::uint16_t>(value >> 16));
    }
    LeWriter& Code(FourCc code) {
        for (char c : code)
            out_.push_back(static_cast<std::uint8_t>(c));
        return *this;
    }

  private:
    std::vector<std::uint8_t>& out_;
};

}  // namespace zav::platform
