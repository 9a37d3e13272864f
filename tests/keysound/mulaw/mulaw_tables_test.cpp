// The two mu-law tables against G.711 written out here a second way, over every entry.

#include "keysound/mulaw_tables.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

namespace keyvoice {
namespace {

// Decoding as G.711 states it: the magnitude is (2 * mantissa + 33) * 2^(exponent + 2) - 132
// (the middle of the step, less the encoder's bias); the code is stored complemented and
// a clear top bit of the code means a negative sample.
int ReferenceDecode(int code) {
    const int inverted = 0xFF - code;
    const bool negative = inverted >= 0x80;
    const int exponent = (inverted % 0x80) / 16;
    const int mantissa = inverted % 16;
    const int magnitude = (2 * mantissa + 33) * (1 << (exponent + 2)) - 132;
    return negative ? -magnitude : magnitude;
}

// The classic encoder: bias 132, clip at 32635, segment found by searching the segment ends.
int ReferenceEncode(int sample) {
    static constexpr int kSegmentEnds[8] = {0xFF,  0x1FF,  0x3FF,  0x7FF,
                                            0xFFF, 0x1FFF, 0x3FFF, 0x7FFF};
    int mask = 0xFF;
    if (sample < 0) {
        sample = -sample;
        mask = 0x7F;
    }
    if (sample > 32635)
        sample = 32635;
    sample += 132;
    int segment = 0;
    while (sample > kSegmentEnds[segment])
        ++segment;
    const int mantissa = (sample / (1 << (segment + 3))) % 16;
    return (segment * 16 + mantissa) ^ mask;
}

TEST(MuLawToLinear, EveryCodeDecodesAsG711) {
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(MuLawToLinear[static_cast<std::size_t>(code)], ReferenceDecode(code))
            << "code " << code;
    }
}

TEST(LinearToMuLaw, EverySampleEncodesAsTheClassicEncoder) {
    int mismatches = 0;
    for (int sample = -32768; sample <= 32767; ++sample) {
        const int code = LinearToMuLaw[static_cast<std::size_t>(sample + kLinearToMuLawOffset)];
        if (code != ReferenceEncode(sample) && ++mismatches <= 10) {
            ADD_FAILURE() << "sample " << sample << " gives " << code << ", expected "
                          << ReferenceEncode(sample);
        }
    }
    EXPECT_EQ(mismatches, 0);
}

struct Anchor {
    std::uint8_t code;
    std::int16_t sample;
};

TEST(MuLawTables, AnchorsAndRange) {
    constexpr Anchor kDecoded[] = {{0x00, -32124}, {0x7F, 0},    {0x80, 32124},
                                   {0xFF, 0},      {0x70, -120}, {0xFE, 8}};
    for (const auto& anchor : kDecoded)
        EXPECT_EQ(MuLawToSample(anchor.code), anchor.sample) << "code " << int{anchor.code};
    for (const std::int16_t sample : MuLawToLinear)
        EXPECT_LE(std::abs(sample), 32124);
    constexpr Anchor kEncoded[] = {
        {0x00, -32768}, {0x00, -32635}, {0x7F, -1},    {0xFF, 0},    {0xFF, 1},
        {0xF2, 100},    {0x80, 32767},  {0x80, 32635}, {0x72, -100}, {0x00, -32124},
    };
    for (const auto& anchor : kEncoded)
        EXPECT_EQ(SampleToMuLaw(anchor.sample), anchor.code) << "sample " << anchor.sample;
}

// Every code but the negative zero (0x7F, which decodes to 0 like 0xFF) survives a decode
// and re-encode; this ties the two tables to each other.
TEST(MuLawTables, DecodedCodesEncodeBackToThemselves) {
    for (int code = 0; code < 256; ++code) {
        const auto byte = static_cast<std::uint8_t>(code);
        const std::uint8_t expected = code == 0x7F ? 0xFF : byte;
        EXPECT_EQ(SampleToMuLaw(MuLawToSample(byte)), expected) << "code " << code;
    }
}

// The tables are compile-time data.
static_assert(MuLawToLinear[0x00] == -32124 && MuLawToLinear[0x80] == 32124);
static_assert(SampleToMuLaw(100) == 0xF2 && SampleToMuLaw(-32768) == 0x00);

}  // namespace
}  // namespace keyvoice
