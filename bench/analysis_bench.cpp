// Throughput of the voice analyser over a whole 2-second recording (44,100 samples), in samples
// and bytes per second, with memcpy of the same bytes beside it. The ratio to memcpy is what
// zav_bench_table prints (bench/table).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "keysound/block_scan.h"
#include "keysound/voice_analyser.h"

namespace {

constexpr std::size_t kRecordingSamples = 44100;
constexpr std::size_t kRecordingBytes = kRecordingSamples * sizeof(std::int16_t);

enum class Signal { Voice, Noise };

// Voice: a 180 Hz buzz with harmonics and a little hiss, crossing about 360 times a second.
// Noise: loud white noise, crossing every few samples (the slowest case for the crossing walk).
std::vector<std::int16_t> MakeSignal(Signal signal) {
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> hiss(-200, 200);
    std::uniform_int_distribution<int> noise(-8000, 8000);
    std::vector<std::int16_t> samples(kRecordingSamples);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (signal == Signal::Noise) {
            samples[i] = static_cast<std::int16_t>(noise(random));
            continue;
        }
        const double t = static_cast<double>(i) / 22050.0;
        double value = 0;
        for (int harmonic = 1; harmonic <= 5; ++harmonic) {
            value += 5000.0 / harmonic * std::sin(2 * std::numbers::pi * 180.0 * harmonic * t);
        }
        samples[i] = static_cast<std::int16_t>(std::lround(value) + hiss(random));
    }
    return samples;
}

enum class Variant { Fixed, Adaptive };

void AnalyseRecording(benchmark::State& state, Variant variant, Signal signal) {
    const auto samples = MakeSignal(signal);
    keyvoice::VoiceAnalyser analyser(22000);
    for (auto _ : state) {
        if (variant == Variant::Adaptive) {
            analyser.AnalyseAdaptive(samples);
        } else {
            analyser.AnalyseFixed(samples);
        }
        benchmark::DoNotOptimize(analyser.level);
        benchmark::DoNotOptimize(analyser.crossings);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRecordingSamples));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kRecordingBytes));
}

// The scan alone on each kernel this processor runs, to show what the SIMD width buys.
void ScanWithKernel(benchmark::State& state, keyvoice::ScanKernel kernel) {
    const auto kernels = keyvoice::SupportedScanKernels();
    if (std::find(kernels.begin(), kernels.end(), kernel) == kernels.end()) {
        state.SkipWithError("kernel not supported on this processor");
        return;
    }
    const auto samples = MakeSignal(Signal::Voice);
    const keyvoice::ScanStart start{0, 150, 0, 110, 66};
    for (auto _ : state) {
        benchmark::DoNotOptimize(keyvoice::ScanBlockWith(kernel, samples, start));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRecordingSamples));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kRecordingBytes));
}

void BmMemcpyRecording(benchmark::State& state) {
    const auto samples = MakeSignal(Signal::Voice);
    std::vector<std::int16_t> copy(samples.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), samples.data(), kRecordingBytes);
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kRecordingBytes));
}

BENCHMARK(BmMemcpyRecording);
BENCHMARK_CAPTURE(AnalyseRecording, FixedVoice, Variant::Fixed, Signal::Voice);
BENCHMARK_CAPTURE(AnalyseRecording, AdaptiveVoice, Variant::Adaptive, Signal::Voice);
BENCHMARK_CAPTURE(AnalyseRecording, FixedNoise, Variant::Fixed, Signal::Noise);
BENCHMARK_CAPTURE(AnalyseRecording, AdaptiveNoise, Variant::Adaptive, Signal::Noise);
BENCHMARK_CAPTURE(ScanWithKernel, Baseline, keyvoice::ScanKernel::Baseline);
BENCHMARK_CAPTURE(ScanWithKernel, Avx2, keyvoice::ScanKernel::Avx2);

}  // namespace
