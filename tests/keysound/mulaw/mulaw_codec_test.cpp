// Every mu-law kernel the processor can run must give the tables' result for every input, at
// every length and starting offset, and must write nothing outside its output.

#include "keysound/mulaw_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "keysound/mulaw_tables.h"

namespace keyvoice {
namespace {

std::string KernelName(MuLawKernel kernel) {
    switch (kernel) {
        case MuLawKernel::kScalar:
            return "Scalar";
        case MuLawKernel::kAvx2:
            return "Avx2";
        case MuLawKernel::kAvx512Vbmi:
            return "Avx512Vbmi";
    }
    return "Unknown";
}

// Widest vector step of any kernel, in values; lengths up to a few of these cover the heads,
// the whole-vector loops and the tails.
constexpr std::size_t kWidestStep = 64;
constexpr std::size_t kMaxLength = 4 * kWidestStep + 1;
constexpr std::size_t kMaxOffset = 7;
constexpr std::uint8_t kGuardCode = 0xA5;
constexpr std::int16_t kGuardSample = 0x5A5A;

// Deterministic varied input: a simple linear congruential generator.
class Noise {
  public:
    std::uint16_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<std::uint16_t>(state_ >> 16);
    }

  private:
    std::uint32_t state_ = 12345;
};

// Every kernel is instantiated; one this processor cannot run is skipped with a line that
// names it, so that a run on a machine without it says what was not tested.
class MuLawKernelTest : public ::testing::TestWithParam<MuLawKernel> {
  protected:
    void SetUp() override {
        const auto supported = SupportedMuLawKernels();
        if (std::find(supported.begin(), supported.end(), GetParam()) == supported.end())
            GTEST_SKIP() << "not run: this processor lacks the " << KernelName(GetParam())
                         << " kernel's instructions";
    }
};

TEST_P(MuLawKernelTest, DecodesEveryCodeAsTheTable) {
    // All codes, several times over in different orders, so that every code meets every
    // lane of a vector.
    std::vector<std::uint8_t> codes;
    for (int round = 0; round < 4; ++round) {
        for (int code = 0; code < 256; ++code)
            codes.push_back(static_cast<std::uint8_t>(round % 2 == 0 ? code : 255 - code));
        codes.push_back(static_cast<std::uint8_t>(round));  // shifts the next round's lanes
    }
    std::vector<std::int16_t> samples(codes.size());
    DecodeMuLawWith(GetParam(), codes, samples);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        ASSERT_EQ(samples[i], MuLawToLinear[codes[i]]) << "code " << int{codes[i]} << " at " << i;
    }
}

TEST_P(MuLawKernelTest, EncodesEverySampleAsTheTable) {
    std::vector<std::int16_t> samples;
    for (int sample = -32768; sample <= 32767; ++sample)
        samples.push_back(static_cast<std::int16_t>(sample));
    // Then backwards from an odd start, so each value also meets other lanes.
    for (int sample = 32767; sample >= -32768; sample -= 3)
        samples.push_back(static_cast<std::int16_t>(sample));
    std::vector<std::uint8_t> codes(samples.size());
    EncodeMuLawWith(GetParam(), samples, codes);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(int{codes[i]}, int{SampleToMuLaw(samples[i])})
            << "sample " << samples[i] << " at " << i;
    }
}

// Runs convert at every length and offset over noise and checks each output against expect,
// with nothing written outside it. The output starts at the input's offset, so unaligned inputs
// meet unaligned outputs.
template <typename In, typename Out, typename Convert, typename Expect>
void CheckEveryLengthAndOffset(Out guard, Convert convert, Expect expect) {
    Noise noise;
    std::vector<In> input(kMaxOffset + kMaxLength);
    for (auto& value : input)
        value = static_cast<In>(noise.Next());
    for (std::size_t offset = 0; offset <= kMaxOffset; ++offset) {
        for (std::size_t length = 0; length <= kMaxLength; ++length) {
            std::vector<Out> output(kMaxOffset + kMaxLength + 1, guard);
            convert(std::span<const In>(input.data() + offset, length),
                    std::span(output.data() + offset, length));
            for (std::size_t i = 0; i < output.size(); ++i) {
                const bool inside = i >= offset && i < offset + length;
                ASSERT_EQ(int{output[i]}, int{inside ? expect(input[i]) : guard})
                    << "offset " << offset << ", length " << length << ", index " << i;
            }
        }
    }
}

TEST_P(MuLawKernelTest, HandlesEveryLengthAndOffsetWithinItsOutput) {
    const MuLawKernel kernel = GetParam();
    CheckEveryLengthAndOffset<std::uint8_t>(
        kGuardSample, [&](auto in, auto out) { DecodeMuLawWith(kernel, in, out); },
        [](std::uint8_t code) { return MuLawToLinear[code]; });
    CheckEveryLengthAndOffset<std::int16_t>(
        kGuardCode, [&](auto in, auto out) { EncodeMuLawWith(kernel, in, out); },
        [](std::int16_t sample) { return SampleToMuLaw(sample); });
}

TEST_P(MuLawKernelTest, RefusesSpansOfDifferentLengthsAndWritesNothing) {
    const std::vector<std::uint8_t> codes(100, 0x00);
    std::vector<std::int16_t> samples(99, kGuardSample);
    EXPECT_THROW(DecodeMuLawWith(GetParam(), codes, samples), std::length_error);
    EXPECT_EQ(samples, std::vector<std::int16_t>(99, kGuardSample));

    const std::vector<std::int16_t> linear(100, 1000);
    std::vector<std::uint8_t> encoded(101, kGuardCode);
    EXPECT_THROW(EncodeMuLawWith(GetParam(), linear, encoded), std::length_error);
    EXPECT_EQ(encoded, std::vector<std::uint8_t>(101, kGuardCode));
}

INSTANTIATE_TEST_SUITE_P(EveryKernel, MuLawKernelTest,
                         ::testing::Values(MuLawKernel::kScalar, MuLawKernel::kAvx2,
                                           MuLawKernel::kAvx512Vbmi),
                         [](const auto& kernel) { return KernelName(kernel.param); });

TEST(MuLawCodec, ScalarIsAlwaysSupportedAndTheLastKernelIsActive) {
    const auto kernels = SupportedMuLawKernels();
    ASSERT_FALSE(kernels.empty());
    EXPECT_EQ(kernels.front(), MuLawKernel::kScalar);
    EXPECT_EQ(ActiveMuLawKernel(), kernels.back());
}

TEST(MuLawCodec, DefaultEntryPointsMatchTheTables) {
    std::vector<std::uint8_t> codes(1000);
    for (std::size_t i = 0; i < codes.size(); ++i)
        codes[i] = static_cast<std::uint8_t>(i * 7);
    std::vector<std::int16_t> samples(codes.size());
    DecodeMuLaw(codes, samples);
    std::vector<std::uint8_t> again(codes.size());
    EncodeMuLaw(samples, again);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        ASSERT_EQ(samples[i], MuLawToLinear[codes[i]]) << "at " << i;
        ASSERT_EQ(int{again[i]}, int{SampleToMuLaw(samples[i])}) << "at " << i;
    }
    std::vector<std::int16_t> shorter(codes.size() - 1);
    EXPECT_THROW(DecodeMuLaw(codes, shorter), std::length_error);
    EXPECT_THROW(EncodeMuLaw(shorter, again), std::length_error);
}

TEST(MuLawCodec, RefusesAnUnknownKernel) {
    const std::vector<std::uint8_t> codes(4);
    std::vector<std::int16_t> samples(4);
    EXPECT_THROW(DecodeMuLawWith(static_cast<MuLawKernel>(99), codes, samples),
                 std::invalid_argument);
    const std::vector<std::int16_t> linear(4);
    std::vector<std::uint8_t> encoded(4);
    EXPECT_THROW(EncodeMuLawWith(static_cast<MuLawKernel>(99), linear, encoded),
                 std::invalid_argument);
}

}  // namespace
}  // namespace keyvoice
