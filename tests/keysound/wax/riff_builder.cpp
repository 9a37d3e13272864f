#include "riff_builder.h"

#include "keysound/mulaw_tables.h"

namespace testing_riff {

void PutU16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void PutU32(Bytes& out, std::uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

void PutId(Bytes& out, std::string_view id) {
    for (char c : id)
        out.push_back(static_cast<std::uint8_t>(c));
}

Bytes MakeChunkDeclaring(std::string_view id, std::uint32_t declaredSize, const Bytes& payload) {
    Bytes chunk;
    PutId(chunk, id);
    PutU32(chunk, declaredSize);
    chunk.insert(chunk.end(), payload.begin(), payload.end());
    if (payload.size() % 2 == 1)
        chunk.push_back(0);
    return chunk;
}

Bytes MakeChunk(std::string_view id, const Bytes& payload) {
    return MakeChunkDeclaring(id, static_cast<std::uint32_t>(payload.size()), payload);
}

Bytes FormatPayload(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                    std::uint32_t avgBytes, std::uint16_t blockAlign, std::uint16_t bits) {
    Bytes payload;
    PutU16(payload, tag);
    PutU16(payload, channels);
    PutU32(payload, rate);
    PutU32(payload, avgBytes);
    PutU16(payload, blockAlign);
    PutU16(payload, bits);
    return payload;
}

Bytes WaxFormatPayload() {
    return FormatPayload(1, 1, 22050, 22050, 1, 8);
}

Bytes MakeRiff(std::string_view formType, const std::vector<Bytes>& chunks) {
    Bytes body;
    PutId(body, formType);
    for (const Bytes& chunk : chunks)
        body.insert(body.end(), chunk.begin(), chunk.end());
    Bytes file;
    PutId(file, "RIFF");
    PutU32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

Bytes MakeWaxFile(const Bytes& codes) {
    return MakeRiff("WAVE", {MakeChunk("fmt ", WaxFormatPayload()), MakeChunk("data", codes)});
}

Bytes MuLawCodes(std::span<const std::int16_t> samples) {
    Bytes codes;
    for (const std::int16_t sample : samples)
        codes.push_back(keyvoice::LinearToMuLaw[static_cast<std::size_t>(sample + 32768)]);
    return codes;
}

}  // namespace testing_riff
