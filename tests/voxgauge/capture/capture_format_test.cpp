#include <gtest/gtest.h>

#include "voxgauge/capture_format.h"

namespace voxgauge {
namespace {

using zav::platform::PcmWaveFormat;

struct FormatCase {
    std::uint32_t code;
    std::uint32_t rate;
    std::uint16_t bits;
    std::uint16_t channels;
    std::uint16_t blockAlign;
    std::uint32_t bytesPerSecond;
};

class FormatCodeTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatCodeTest, DerivesThePcmFormat) {
    const FormatCase& c = GetParam();
    const PcmWaveFormat format = FormatFromCode(c.code);
    EXPECT_EQ(format.formatTag, 1);
    EXPECT_EQ(format.samplesPerSec, c.rate);
    EXPECT_EQ(format.bitsPerSample, c.bits);
    EXPECT_EQ(format.channels, c.channels);
    EXPECT_EQ(format.blockAlign, c.blockAlign);
    EXPECT_EQ(format.avgBytesPerSec, c.bytesPerSecond);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, FormatCodeTest,
    testing::Values(
        // VoxGauge's own code: 22050 Hz, 16 bits, two channels (the divisor of the tens is 50).
        FormatCase{22116, 22050, 16, 2, 4, 88200},
        FormatCase{8116, 8000, 16, 2, 4, 32000},  // 8 thousands is 8000 Hz exactly
        FormatCase{11116, 11025, 16, 2, 4, 44100}, FormatCase{44116, 44100, 16, 2, 4, 176400},
        FormatCase{22108, 22050, 8, 2, 2, 44100},  // 8 bits
        FormatCase{11108, 11025, 8, 2, 2, 22050},
        FormatCase{22016, 22050, 16, 0, 0, 0},       // a "mono-looking" code has no channel
        FormatCase{22064, 22050, 64, 1, 8, 176400},  // one channel needs tens of 50 or more
        FormatCase{22060, 22050, 60, 1, 0, 0},       // bits not a multiple of 8: no block align
        FormatCase{16116, 11025, 16, 2, 4, 44100},   // 16 / 11 is 1 step of 11025
        FormatCase{48116, 44100, 16, 2, 4, 176400},  // 48 / 11 is 4 steps
        FormatCase{22216, 22050, 16, 4, 8, 176400}));

struct LengthCase {
    PcmWaveFormat format;
    std::uint32_t length;
};

class BufferLengthTest : public testing::TestWithParam<LengthCase> {};

TEST_P(BufferLengthTest, IsAnEighthSecondOfWholeFramesOr4096) {
    EXPECT_EQ(CaptureBufferLength(GetParam().format), GetParam().length);
}

PcmWaveFormat WithRate(std::uint32_t bytesPerSecond, std::uint16_t blockAlign) {
    PcmWaveFormat format;
    format.avgBytesPerSec = bytesPerSecond;
    format.blockAlign = blockAlign;
    return format;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, BufferLengthTest,
    testing::Values(LengthCase{FormatFromCode(22116), 11024},  // 11025 rounded to 4 bytes
                    LengthCase{FormatFromCode(44116), 22048},  // 22050 rounded
                    LengthCase{FormatFromCode(11116), 5512},
                    LengthCase{FormatFromCode(8116), 4096},  // 32000 bytes/s is below 32768
                    LengthCase{FormatFromCode(22108), 5512},
                    LengthCase{WithRate(32768, 1), 4096},  // exactly 32768 takes an eighth
                    LengthCase{WithRate(32767, 1), 4096},
                    LengthCase{WithRate(40000, 3), 4998},  // 5000 rounded to 3 bytes
                    LengthCase{WithRate(4096 * 8 + 8, 6), 4092},
                    LengthCase{FormatFromCode(22060), 4096}));  // no block align, no rounding

}  // namespace
}  // namespace voxgauge
