#include "tests/users/wax_codes.h"

#include <algorithm>
#include <string_view>

#include "keysound/mulaw_tables.h"

namespace random_user {

namespace {

constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kFormHeaderBytes = 12;  // "RIFF", its size, "WAVE"

bool TagAt(std::span<const std::uint8_t> bytes, std::size_t offset, std::string_view tag) {
    return offset + tag.size() <= bytes.size() &&
           std::equal(tag.begin(), tag.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::uint32_t U32At(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) |
           static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> WaxDataCodes(std::span<const std::uint8_t> file) {
    if (!TagAt(file, 0, "RIFF") || !TagAt(file, 8, "WAVE"))
        return std::nullopt;
    std::size_t offset = kFormHeaderBytes;
    while (offset + kChunkHeaderBytes <= file.size()) {
        const std::size_t size = U32At(file, offset + 4);
        const std::size_t body = offset + kChunkHeaderBytes;
        if (TagAt(file, offset, "data")) {
            const std::size_t end = std::min(file.size(), body + size);
            return std::vector<std::uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(body),
                                             file.begin() + static_cast<std::ptrdiff_t>(end));
        }
        offset = body + size + (size & 1);  // chunks start on even offsets
    }
    return std::nullopt;
}

std::vector<std::uint8_t> MuLawCodesOf(std::span<const std::int16_t> samples) {
    std::vector<std::uint8_t> codes(samples.size());
    std::ranges::transform(samples, codes.begin(), keyvoice::SampleToMuLaw);
    return codes;
}

}  // namespace random_user
