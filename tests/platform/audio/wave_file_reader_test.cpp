#include "platform/sim/wave_file_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/sim/mic_signal.h"
#include "tests/support/capture_test_support.h"

namespace zav::platform::sim {
namespace {

using capture_test::WaveFileBytes;

TEST(WaveFileReader, ReadsSixteenBitStereo) {
    const std::vector<std::int16_t> samples = {1, -1, 32767, -32768, 300, -300};
    std::string problem;
    const std::optional<PcmSamples> pcm = ReadWaveFile(WaveFileBytes(8000, 2, samples), problem);
    ASSERT_TRUE(pcm) << problem;
    EXPECT_EQ(pcm->sampleRate, 8000u);
    EXPECT_EQ(pcm->channels, 2);
    EXPECT_EQ(pcm->samples, samples);
    EXPECT_EQ(pcm->FrameCount(), 3u);
}

TEST(WaveFileReader, WidensEightBitSamples) {
    const std::vector<std::int16_t> samples = {-32768, 0, 32767 - 255};
    std::string problem;
    const std::optional<PcmSamples> pcm =
        ReadWaveFile(WaveFileBytes(11025, 1, samples, true), problem);
    ASSERT_TRUE(pcm) << problem;
    EXPECT_EQ(pcm->samples, (std::vector<std::int16_t>{-32768, 0, 32512}));
}

TEST(WaveFileReader, SkipsOtherChunksWithTheirPadding) {
    const std::vector<std::int16_t> samples = {5, 6};
    std::vector<std::uint8_t> bytes = WaveFileBytes(22050, 1, samples);
    // An odd-length chunk, padded to even, before "fmt ".
    const std::vector<std::uint8_t> list = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    bytes.insert(bytes.begin() + 12, list.begin(), list.end());
    bytes[4] = static_cast<std::uint8_t>(bytes[4] + list.size());  // the RIFF size counts it
    std::string problem;
    const std::optional<PcmSamples> pcm = ReadWaveFile(bytes, problem);
    ASSERT_TRUE(pcm) << problem;
    EXPECT_EQ(pcm->samples, samples);
}

struct BadFileCase {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* problem;
};

std::vector<std::uint8_t> Patched(std::size_t offset, std::vector<std::uint8_t> patch,
                                  std::size_t keep = 0) {
    const std::vector<std::int16_t> samples = {1, 2, 3, 4};
    std::vector<std::uint8_t> bytes = WaveFileBytes(22050, 1, samples);
    std::copy(patch.begin(), patch.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    if (keep != 0)
        bytes.resize(keep);
    return bytes;
}

class WaveFileReaderBadTest : public testing::TestWithParam<BadFileCase> {};

TEST_P(WaveFileReaderBadTest, SaysWhy) {
    std::string problem;
    EXPECT_FALSE(ReadWaveFile(GetParam().bytes, problem)) << GetParam().what;
    EXPECT_EQ(problem, GetParam().problem) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Files, WaveFileReaderBadTest,
    testing::Values(
        BadFileCase{"empty", {}, "not a RIFF WAVE file"},
        BadFileCase{"not RIFF", Patched(0, {'R', 'I', 'F', 'X'}), "not a RIFF WAVE file"},
        BadFileCase{"not WAVE", Patched(8, {'A', 'V', 'I', ' '}), "not a RIFF WAVE file"},
        BadFileCase{"no chunks", Patched(0, {}, 12), "no fmt chunk"},
        BadFileCase{"fmt only", Patched(0, {}, 36), "no data chunk"},
        BadFileCase{"compressed", Patched(20, {2, 0}), "not PCM"},
        BadFileCase{"no channels", Patched(22, {0, 0}), "unsupported channel count"},
        BadFileCase{"no rate", Patched(24, {0, 0, 0, 0}), "sample rate is 0"},
        BadFileCase{"24 bits", Patched(34, {24, 0}), "only 8- and 16-bit samples are supported"},
        BadFileCase{"block align", Patched(32, {4, 0}),
                    "block align does not match channels and bits"},
        BadFileCase{"short fmt", Patched(16, {12, 0, 0, 0}), "fmt chunk too short"},
        BadFileCase{"one byte of data", Patched(40, {1, 0, 0, 0}, 45), "no samples"},
        BadFileCase{"data before fmt", Patched(12, {'d', 'a', 't', 'a'}),
                    "data chunk before fmt chunk"}));

TEST(LoopedRecordingMic, LoopsAndFollowsTheDeviceRate) {
    PcmSamples recording{11025, 2, {10, -10, 20, -20, 30, -30}};
    const MicSignal mic = LoopedRecordingMic(recording);
    // At 22050 Hz every recorded frame is heard twice.
    EXPECT_EQ(mic(0, 0, 22050), 10);
    EXPECT_EQ(mic(1, 0, 22050), 10);
    EXPECT_EQ(mic(2, 1, 22050), -20);
    EXPECT_EQ(mic(6, 0, 22050), 10);   // back at the start
    EXPECT_EQ(mic(4, 3, 22050), -30);  // extra channels repeat the last one
}

}  // namespace
}  // namespace zav::platform::sim
