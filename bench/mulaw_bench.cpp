// Throughput of the mu-law kernels in input bytes per second, over one 2-second recording
// (44,100 values) and over twenty seconds of sound. Each case also copies its input bytes with
// memcpy as often as it converted them, on the same clock right after, and reports
// vs_memcpy = memcpy time / conversion time: 1.0 means as fast as copying the input.

#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "keyvoice/mulaw_codec.h"

namespace {

using keyvoice::MuLawKernel;

constexpr std::int64_t kRecordingValues = 44100;
constexpr std::int64_t kLongValues = 10 * kRecordingValues;

const char* KernelName(MuLawKernel kernel) {
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

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Seconds that `count` copies of `bytes` input bytes take.
double MemcpySeconds(const void* input, std::size_t bytes, benchmark::IterationCount count) {
    std::vector<std::uint8_t> copy(bytes);
    const double start = ThreadSeconds();
    for (benchmark::IterationCount i = 0; i < count; ++i) {
        std::memcpy(copy.data(), input, bytes);
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    return ThreadSeconds() - start;
}

// Voice-like input: samples spread over the whole range, so every segment is used.
std::vector<std::int16_t> MakeSamples(std::int64_t count) {
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> value(-32768, 32767);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(count));
    for (auto& sample : samples) {
        sample = static_cast<std::int16_t>(value(random));
    }
    return samples;
}

std::vector<std::uint8_t> MakeCodes(std::int64_t count) {
    std::mt19937 random(2025);
    std::uniform_int_distribution<int> value(0, 255);
    std::vector<std::uint8_t> codes(static_cast<std::size_t>(count));
    for (auto& code : codes) {
        code = static_cast<std::uint8_t>(value(random));
    }
    return codes;
}

void Report(benchmark::State& state, std::size_t inputBytes, double converted, double copied) {
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(inputBytes));
    state.counters["vs_memcpy"] = converted > 0 ? copied / converted : 0.0;
}

void Decode(benchmark::State& state, MuLawKernel kernel) {
    const auto codes = MakeCodes(state.range(0));
    std::vector<std::int16_t> samples(codes.size());
    const double start = ThreadSeconds();
    for (auto _ : state) {
        keyvoice::DecodeMuLawWith(kernel, codes, samples);
        benchmark::DoNotOptimize(samples.data());
        benchmark::ClobberMemory();
    }
    const double converted = ThreadSeconds() - start;
    Report(state, codes.size(), converted,
           MemcpySeconds(codes.data(), codes.size(), state.iterations()));
}

void Encode(benchmark::State& state, MuLawKernel kernel) {
    const auto samples = MakeSamples(state.range(0));
    std::vector<std::uint8_t> codes(samples.size());
    const double start = ThreadSeconds();
    for (auto _ : state) {
        keyvoice::EncodeMuLawWith(kernel, samples, codes);
        benchmark::DoNotOptimize(codes.data());
        benchmark::ClobberMemory();
    }
    const double converted = ThreadSeconds() - start;
    const std::size_t inputBytes = samples.size() * sizeof(std::int16_t);
    Report(state, inputBytes, converted,
           MemcpySeconds(samples.data(), inputBytes, state.iterations()));
}

// The bare copy, for reading the absolute figures next to the ratios. Arguments are bytes:
// the decode inputs (one byte per value) and the encode inputs (two bytes per value).
void MemcpyInput(benchmark::State& state) {
    const std::vector<std::uint8_t> input(static_cast<std::size_t>(state.range(0)), 0x55);
    std::vector<std::uint8_t> copy(input.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), input.data(), input.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(MemcpyInput)
    ->Arg(kRecordingValues)
    ->Arg(2 * kRecordingValues)
    ->Arg(kLongValues)
    ->Arg(2 * kLongValues);

// One case per kernel this processor runs; the last one is what the program uses.
const bool kRegistered = [] {
    for (const MuLawKernel kernel : keyvoice::SupportedMuLawKernels()) {
        const std::string name = KernelName(kernel);
        benchmark::RegisterBenchmark(("MuLawDecode/" + name).c_str(), Decode, kernel)
            ->Arg(kRecordingValues)
            ->Arg(kLongValues);
        benchmark::RegisterBenchmark(("MuLawEncode/" + name).c_str(), Encode, kernel)
            ->Arg(kRecordingValues)
            ->Arg(kLongValues);
    }
    return true;
}();

}  // namespace
