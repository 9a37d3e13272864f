// Takes started while the microphone is already speaking, at KeyVoice's format (22,050 Hz
// mono): each must begin with what the microphone heard after the start (a server may hand a
// new capture stream an older quantum first), and a mono take of a stereo microphone must be as
// loud as the speech, whichever server mixes the channels down.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "platform/alsa/alsa_audio_system.h"
#include "server_test.h"
#include "test_sounds.h"
#include "tests/support/wave_recorder.h"

namespace alsa_test {
namespace {

using namespace std::chrono_literals;
using zav::platform::MmResult;

constexpr unsigned kRate = 22050;
constexpr std::size_t kHead = kRate / 5;   // the first 200 ms, checked in spans
constexpr std::size_t kSpan = kRate / 50;  // 20 ms
// A server's resampler starts from silence and shapes the first millisecond of a new stream
// (by up to a tenth of a loud onset); older audio fills a whole quantum of 10 ms or more, which
// the spans after this still catch.
constexpr std::size_t kSettle = kRate / 500;  // 2 ms
constexpr std::size_t kProbe = 1024;
constexpr int kTaps = 7;  // the fitted filter: gain and a delay of a fraction of a sample
constexpr int kTakes = 10;

// How the take matches the speech: x[i] ~ sum over k of filter[k] * speech[lag + i + k - 3].
struct Fit {
    std::size_t lag = 0;
    std::array<double, kTaps> filter{};
};

// The lag (within one period of the looped speech) at which the take's probe correlates best.
std::size_t BestLag(std::span<const std::int16_t> looped, std::size_t period,
                    std::span<const std::int16_t> take, std::size_t probeAt) {
    std::size_t best = 0;
    double bestScore = -2.0;
    for (std::size_t lag = period; lag < 2 * period; ++lag) {
        double xy = 0, yy = 0;
        for (std::size_t i = 0; i < kProbe; ++i) {
            const double y = looped[lag + probeAt + i];
            xy += take[probeAt + i] * y;
            yy += y * y;
        }
        const double score = yy > 0 ? xy / std::sqrt(yy) : 0.0;
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

// Least squares over the take from `from` on; the normal equations solved by elimination.
Fit FitFilter(std::span<const std::int16_t> looped, std::span<const std::int16_t> take,
              std::size_t lag, std::size_t from) {
    std::array<std::array<double, kTaps + 1>, kTaps> system{};
    for (std::size_t i = from; i < take.size(); ++i) {
        for (int r = 0; r < kTaps; ++r) {
            const double yr = looped[lag + i + r - kTaps / 2];
            for (int c = 0; c < kTaps; ++c)
                system[r][c] += yr * looped[lag + i + c - kTaps / 2];
            system[r][kTaps] += yr * take[i];
        }
    }
    for (int p = 0; p < kTaps; ++p) {
        for (int r = p + 1; r < kTaps; ++r) {
            const double factor = system[r][p] / system[p][p];
            for (int c = p; c <= kTaps; ++c)
                system[r][c] -= factor * system[p][c];
        }
    }
    Fit fit{lag, {}};
    for (int r = kTaps - 1; r >= 0; --r) {
        double sum = system[r][kTaps];
        for (int c = r + 1; c < kTaps; ++c)
            sum -= system[r][c] * fit.filter[c];
        fit.filter[r] = sum / system[r][r];
    }
    return fit;
}

// The RMS of the take minus the fitted speech over [from, to).
double ResidualRms(std::span<const std::int16_t> looped, std::span<const std::int16_t> take,
                   const Fit& fit, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) {
        double predicted = 0;
        for (int k = 0; k < kTaps; ++k)
            predicted += fit.filter[k] * looped[fit.lag + i + k - kTaps / 2];
        sum += (take[i] - predicted) * (take[i] - predicted);
    }
    return std::sqrt(sum / static_cast<double>(to - from));
}

double RmsOf(std::span<const std::int16_t> samples) {
    double sum = 0;
    for (std::int16_t sample : samples)
        sum += static_cast<double>(sample) * sample;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

using TakeStartTest = ServerTest;

TEST_F(TakeStartTest, EveryTakeBeginsWithTheSpeechHeardAfterItsStartAtTheSpeechsOwnGain) {
    // Speech without its pauses at both ends, repeated, so that the microphone speaks
    // throughout and every take lies within one period of it.
    const std::filesystem::path spoken =
        MakeSpeech("take_start_sentence", "Seven, eight, nine. A steady voice keeps speaking.");
    ASSERT_FALSE(spoken.empty());
    const std::filesystem::path once = spoken.parent_path() / "take_start_once.wav";
    const std::filesystem::path feed = spoken.parent_path() / "take_start_feed.wav";
    ASSERT_EQ(RunCommand({"sox", spoken.string(), once.string(), "silence", "1", "0.01", "1%",
                          "reverse", "silence", "1", "0.01", "1%", "reverse"})
                  .status,
              0);
    ASSERT_EQ(RunCommand({"sox", once.string(), feed.string(), "repeat", "40"}).status, 0);
    const std::optional<PcmSamples> sentence = ReadSound(once);
    ASSERT_TRUE(sentence.has_value());
    const std::vector<std::int16_t>& period = sentence->samples;
    ASSERT_GT(period.size(), kRate);
    std::vector<std::int16_t> looped;
    for (int i = 0; i < 3; ++i)
        looped.insert(looped.end(), period.begin(), period.end());

    zav::platform::alsa::AlsaAudioSystem audio;
    const zav::platform::PcmWaveFormat format = Pcm16(1, kRate);
    ASSERT_TRUE(Feed(feed, false, false));
    std::this_thread::sleep_for(500ms);  // the feed's own start is no take's concern
    double worstRatio = 0, lowestGain = 100, highestGain = -100;
    for (int take = 0; take < kTakes; ++take) {
        zav::test::WaveRecorder recorder(audio, format, format.avgBytesPerSec / 20, 16);
        ASSERT_EQ(recorder.Open(), MmResult::NoError);
        ASSERT_EQ(recorder.Start(), MmResult::NoError);
        recorder.Pump(600ms);
        ASSERT_EQ(recorder.Finish(), MmResult::NoError);
        const std::span<const std::int16_t> samples = recorder.Samples();
        ASSERT_GE(samples.size(), kHead + 2 * kProbe) << "take " << take;
        const std::span<const std::int16_t> rest = samples.subspan(kHead);
        ASSERT_GT(RmsOf(rest), 300.0) << "take " << take << " heard no speech";

        // The probe is the take's loudest stretch after the head: a pause matches anywhere.
        std::size_t probeAt = kHead;
        for (std::size_t at = kHead; at + kProbe <= samples.size(); at += kProbe / 4) {
            if (RmsOf(samples.subspan(at, kProbe)) > RmsOf(samples.subspan(probeAt, kProbe)))
                probeAt = at;
        }
        const std::size_t lag = BestLag(looped, period.size(), samples, probeAt);
        const Fit fit = FitFilter(looped, samples, lag, kHead);
        const double residual = ResidualRms(looped, samples, fit, kHead, samples.size());
        ASSERT_LT(residual, 0.1 * RmsOf(rest)) << "take " << take << " is not the speech";
        // Bit-exact servers leave no residual at all, and a resampler starting up differs by up to
        // 2 % of the speech for a few ms: allow 5 % of the speech (older audio differs by 100 %).
        const double allowed = std::max(residual, 0.05 * RmsOf(rest));
        for (std::size_t span = kSettle; span < kHead; span += kSpan) {
            const std::size_t end = std::min(span + kSpan, kHead);
            const double differs = ResidualRms(looped, samples, fit, span, end);
            worstRatio = std::max(worstRatio, differs / allowed);
            EXPECT_LE(differs, 4 * allowed)
                << "take " << take << ": " << span * 1000 / kRate << " ms to " << end * 1000 / kRate
                << " ms differ from the speech by " << differs << " (RMS) against " << residual
                << " over the rest of the take";
        }
        const std::span<const std::int16_t> heard(looped.data() + lag + kHead, rest.size());
        const double gain = 20 * std::log10(RmsOf(rest) / RmsOf(heard));
        lowestGain = std::min(lowestGain, gain);
        highestGain = std::max(highestGain, gain);
        EXPECT_NEAR(gain, 0.0, 0.5)
            << "take " << take << " at " << source_.channels << " source channel(s)";
    }
    ReportMeasurement("take start: " + std::to_string(kTakes) + " takes from a " +
                      std::to_string(source_.channels) + "-channel microphone; the first 200 ms " +
                      "differ from the speech at most " + std::to_string(worstRatio) +
                      " times the residual; gain " + std::to_string(lowestGain) + " to " +
                      std::to_string(highestGain) + " dB");
}

}  // namespace
}  // namespace alsa_test
