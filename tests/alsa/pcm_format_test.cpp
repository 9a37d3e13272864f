#include "platform/alsa/alsa_pcm_devices.h"
#include "platform/alsa/alsa_pcm_format.h"

#include <gtest/gtest.h>

#include "platform/audio/wave_caps.h"

namespace zav::platform::alsa {
namespace {

PcmWaveFormat Pcm(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    const auto block = static_cast<std::uint16_t>(channels * bits / 8);
    return PcmWaveFormat{kWaveFormatPcm, channels, rate, rate * block, block, bits};
}

TEST(SettingsFor, TakesThePcmFormatsOfTheWaveCalls) {
    const std::optional<PcmSettings> voice = SettingsFor(Pcm(1, 22050, 16));
    ASSERT_TRUE(voice.has_value());
    EXPECT_EQ(voice->sampleFormat, SND_PCM_FORMAT_S16_LE);
    EXPECT_EQ(voice->channels, 1u);
    EXPECT_EQ(voice->rate, 22050u);
    EXPECT_EQ(voice->frameBytes, 2u);

    const std::optional<PcmSettings> duplex = SettingsFor(Pcm(2, 22050, 16));
    ASSERT_TRUE(duplex.has_value());
    EXPECT_EQ(duplex->frameBytes, 4u);

    const std::optional<PcmSettings> eightBit = SettingsFor(Pcm(2, 11025, 8));
    ASSERT_TRUE(eightBit.has_value());
    EXPECT_EQ(eightBit->sampleFormat, SND_PCM_FORMAT_U8);
    EXPECT_EQ(eightBit->frameBytes, 2u);
}

TEST(SettingsFor, RefusesWhatNoWaveDeviceTakes) {
    PcmWaveFormat notPcm = Pcm(1, 22050, 16);
    notPcm.formatTag = 2;
    PcmWaveFormat badAlign = Pcm(2, 22050, 16);
    badAlign.blockAlign = 2;
    PcmWaveFormat badRate = Pcm(1, 22050, 16);
    badRate.avgBytesPerSec = 22050;
    const PcmWaveFormat refused[] = {
        notPcm,
        badAlign,
        badRate,
        Pcm(1, 22050, 12),
        Pcm(0, 22050, 16),
        Pcm(3, 22050, 16),
        Pcm(1, 500, 16),
        Pcm(1, 400000, 16),
        PcmWaveFormat{},
    };
    for (const PcmWaveFormat& format : refused) {
        EXPECT_FALSE(SettingsFor(format).has_value())
            << format.formatTag << " " << format.channels << " " << format.samplesPerSec << " "
            << format.bitsPerSample << " " << format.blockAlign;
    }
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
