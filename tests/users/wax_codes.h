#pragma once
// The mu-law codes a .wax file holds, read straight from its bytes, and the codes a take must
// become: what the store's check compares, without the loader under test.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace random_user {

// The bytes of the "data" chunk of a RIFF WAVE file, found by walking the form's chunks; a chunk
// cut off by the end of the file gives what is there. Nothing when the file is no RIFF WAVE form
// or holds no "data" chunk.
std::optional<std::vector<std::uint8_t>> WaxDataCodes(std::span<const std::uint8_t> file);

// One mu-law code per sample, through the recorder's encoding table.
std::vector<std::uint8_t> MuLawCodesOf(std::span<const std::int16_t> samples);

}  // namespace random_user
