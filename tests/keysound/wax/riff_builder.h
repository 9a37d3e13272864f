#pragma once
// Builds RIFF files byte by byte for the loader tests, independently of the code under test.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace testing_riff {

using Bytes = std::vector<std::uint8_t>;

void PutU16(Bytes& out, std::uint32_t value);
void PutU32(Bytes& out, std::uint32_t value);
void PutId(Bytes& out, std::string_view id);

// One chunk: id, declared size (the payload's size unless given), payload, pad byte when odd.
Bytes MakeChunk(std::string_view id, const Bytes& payload);
Bytes MakeChunkDeclaring(std::string_view id, std::uint32_t declaredSize, const Bytes& payload);

// A 16-byte PCM format payload.
Bytes FormatPayload(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                    std::uint32_t avgBytes, std::uint16_t blockAlign, std::uint16_t bits);
// The format KeyVoice writes: PCM, mono, 22050, 22050, 1, 8.
Bytes WaxFormatPayload();

// "RIFF" <size> <formType> followed by the chunks.
Bytes MakeRiff(std::string_view formType, const std::vector<Bytes>& chunks);
// The file KeyVoice writes around these codes: the WAVE form, its format, then the data.
Bytes MakeWaxFile(const Bytes& codes);
// The codes of samples, by the encoder table.
Bytes MuLawCodes(std::span<const std::int16_t> samples);

}  // namespace testing_riff
