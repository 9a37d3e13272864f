#include "platform/alsa/alsa_pcm_devices.h"
#include "platform/alsa/alsa_pcm_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/audio/wave_caps.h"
#include "tests/support/pcm_format.h"

namespace zav::platform::alsa {
namespace {

using zav::test::Pcm;

TEST(SettingsFor, TakesThePcmFormatsOfTheWaveCalls) {
    // The wave core has refused every other format before a device sees it.
    const PcmSettings voice = SettingsFor(Pcm(1, 22050, 16));
    EXPECT_EQ(voice.sampleFormat, SND_PCM_FORMAT_S16_LE);
    EXPECT_EQ(voice.channels, 1u);
    EXPECT_EQ(voice.rate, 22050u);
    EXPECT_EQ(voice.frameBytes, 2u);

    EXPECT_EQ(SettingsFor(Pcm(2, 22050, 16)).frameBytes, 4u);

    const PcmSettings eightBit = SettingsFor(Pcm(2, 11025, 8));
    EXPECT_EQ(eightBit.sampleFormat, SND_PCM_FORMAT_U8);
    EXPECT_EQ(eightBit.frameBytes, 2u);
}

// A mono capture of a two-channel device: each frame becomes the mean of its two samples, the
// same on every server, and a mono source (both channels equal) comes through unchanged.
TEST(AverageChannels, GivesTheMeanOfEachFrameRoundedDown) {
    struct Pair {
        int left;
        int right;
    };
    const Pair pairs[] = {{0, 0},   {1000, 1000},    {-32768, -32768}, {32767, 32767},   {3, 4},
                          {-3, -4}, {32767, -32768}, {20000, 30000},   {-20000, -30000}, {1, -2}};
    std::vector<std::uint8_t> stereo;
    for (const Pair& pair : pairs) {
        for (const int sample : {pair.left, pair.right}) {
            stereo.push_back(static_cast<std::uint8_t>(sample & 0xff));
            stereo.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xff));
        }
    }
    std::vector<std::uint8_t> inPlace = stereo;
    std::vector<std::uint8_t> mono(std::size(pairs) * 2);
    AverageChannels(stereo.data(), mono.data(), std::size(pairs), SND_PCM_FORMAT_S16_LE);
    AverageChannels(inPlace.data(), inPlace.data(), std::size(pairs), SND_PCM_FORMAT_S16_LE);
    for (std::size_t i = 0; i < std::size(pairs); ++i) {
        const double mean = (pairs[i].left + pairs[i].right) / 2.0;
        const auto got = static_cast<std::int16_t>(mono[2 * i] | (mono[2 * i + 1] << 8));
        EXPECT_EQ(got, static_cast<int>(std::floor(mean)))
            << pairs[i].left << " " << pairs[i].right;
        EXPECT_EQ(inPlace[2 * i], mono[2 * i]);
        EXPECT_EQ(inPlace[2 * i + 1], mono[2 * i + 1]);
    }

    const std::uint8_t eightBit[] = {0, 0, 255, 255, 128, 128, 0, 255, 200, 101};
    std::uint8_t eightBitMono[5] = {};
    AverageChannels(eightBit, eightBitMono, 5, SND_PCM_FORMAT_U8);
    EXPECT_EQ(std::vector<int>(std::begin(eightBitMono), std::end(eightBitMono)),
              (std::vector<int>{0, 255, 128, 127, 150}));
}

TEST(StandardFormats, SetsTheBitOfEachCombinationTheDeviceTakes) {
    EXPECT_EQ(StandardFormats([](std::uint32_t, std::uint16_t, std::uint16_t) { return true; }),
              kAllStandardFormats);
    EXPECT_EQ(StandardFormats([](std::uint32_t, std::uint16_t, std::uint16_t) { return false; }),
              0u);
    const std::uint32_t monoSixteen =
        StandardFormats([](std::uint32_t, std::uint16_t channels, std::uint16_t bits) {
            return channels == 1 && bits == 16;
        });
    EXPECT_EQ(monoSixteen, kWaveFormat1M16 | kWaveFormat2M16 | kWaveFormat4M16);
    const std::uint32_t only22k = StandardFormats(
        [](std::uint32_t rate, std::uint16_t, std::uint16_t) { return rate == 22050; });
    EXPECT_EQ(only22k, kWaveFormat2M08 | kWaveFormat2S08 | kWaveFormat2M16 | kWaveFormat2S16);
}

}  // namespace
}  // namespace zav::platform::alsa
