#include "platform/alsa/alsa_volume_scale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zav::platform::alsa {
namespace {

// The same line drawn independently, in floating point.
long ExpectedElementValue(std::uint32_t volume, ElementRange range) {
    return range.minimum +
           std::lround(static_cast<double>(volume) *
                       static_cast<double>(range.maximum - range.minimum) / 65535.0);
}

TEST(VolumeScale, EveryHostVolumeSurvivesTheRoundTripThroughASoundServersRange) {
    // A sound server's capture element runs from 0 to 65536.
    const ElementRange server{0, 65536};
    for (std::uint32_t volume = 0; volume <= kHostVolumeMaximum; ++volume) {
        const long raw = ToElementValue(volume, server);
        ASSERT_EQ(raw, ExpectedElementValue(volume, server)) << volume;
        ASSERT_EQ(ToHostVolume(raw, server), volume) << volume;
    }
}

TEST(VolumeScale, EndsMapToEndsAndTheMiddleToTheMiddle) {
    struct Case {
        ElementRange range;
        std::uint32_t volume;
        long raw;
    };
    const Case cases[] = {
        {{0, 31}, 0, 0},
        {{0, 31}, 65535, 31},
        {{0, 31}, 32768, 16},
        {{-4500, 0}, 0, -4500},
        {{-4500, 0}, 65535, 0},
        {{-10, 10}, 32768, 0},
        {{0, 65536}, 32768, 32769},
        {{0, 65536}, 70000, 65536},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToElementValue(c.volume, c.range), c.raw)
            << c.range.minimum << ".." << c.range.maximum << " volume " << c.volume;
    }
}

TEST(VolumeScale, ASmallRangeReadsBackAsTheNearestStep) {
    const ElementRange card{0, 31};
    std::uint32_t previous = 0;
    for (long raw = 0; raw <= 31; ++raw) {
        const std::uint32_t volume = ToHostVolume(raw, card);
        EXPECT_EQ(volume, static_cast<std::uint32_t>(std::lround(raw * 65535.0 / 31.0))) << raw;
        EXPECT_EQ(ToElementValue(volume, card), raw);
        if (raw > 0) {
            EXPECT_GT(volume, previous);
        }
        previous = volume;
    }
    // Values outside the range read as its ends.
    EXPECT_EQ(ToHostVolume(-5, card), 0u);
    EXPECT_EQ(ToHostVolume(40, card), 65535u);
}

TEST(VolumeScale, AnElementWithoutARangeReadsZero) {
    EXPECT_EQ(ToHostVolume(7, ElementRange{7, 7}), 0u);
    EXPECT_EQ(ToElementValue(65535, ElementRange{7, 7}), 7);
}

}  // namespace
}  // namespace zav::platform::alsa
