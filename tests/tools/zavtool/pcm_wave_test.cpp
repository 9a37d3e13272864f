#include <gtest/gtest.h>

#include "tools/zavtool/pcm_wave.h"

namespace {

using zavtool::BuildPcmWave;
using zavtool::ReadPcmWave;

TEST(PcmWave, HeaderIsTheUsual44Bytes) {
    const std::int16_t samples[] = {1, -2};
    const std::vector<std::uint8_t> file = BuildPcmWave({1, 1, 22050, 44100, 2, 16}, samples);
    const std::vector<std::uint8_t> expected{
        'R', 'I', 'F', 'F', 40,  0,   0,   0,   'W',  'A',  'V', 'E', 'f',  'm',  't',  ' ',
        16,  0,   0,   0,   1,   0,   1,   0,   0x22, 0x56, 0,   0,   0x44, 0xAC, 0,    0,
        2,   0,   16,  0,   'd', 'a', 't', 'a', 4,    0,    0,   0,   1,    0,    0xFE, 0xFF};
    EXPECT_EQ(file, expected);
}

TEST(PcmWave, ReadsBackWhatItWrites) {
    const std::int16_t samples[] = {0, 32767, -32768, 5};
    std::string problem;
    auto wave = ReadPcmWave(BuildPcmWave({1, 1, 8000, 16000, 2, 16}, samples), problem);
    ASSERT_TRUE(wave.has_value()) << problem;
    EXPECT_EQ(wave->format.samplesPerSec, 8000u);
    EXPECT_EQ(wave->samples, (std::vector<std::int16_t>{0, 32767, -32768, 5}));
}

TEST(PcmWave, NamesWhatItCannotRead) {
    const std::int16_t samples[] = {0, 1};
    struct Row {
        zav::platform::PcmWaveFormat format;
        const char* problem;
    };
    const Row rows[] = {
        {{1, 1, 22050, 22050, 1, 8}, "not 16-bit PCM"},
        {{3, 1, 22050, 88200, 4, 32}, "not 16-bit PCM"},
        {{1, 2, 22050, 88200, 4, 16}, "not mono"},
    };
    for (const Row& row : rows) {
        std::string problem;
        EXPECT_FALSE(ReadPcmWave(BuildPcmWave(row.format, samples), problem).has_value());
        EXPECT_EQ(problem, row.problem);
    }
    std::string problem;
    EXPECT_FALSE(ReadPcmWave(std::vector<std::uint8_t>{'R', 'I'}, problem).has_value());
    EXPECT_EQ(problem, "not a RIFF WAVE file");
}

}  // namespace
