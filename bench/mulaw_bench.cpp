// Throughput of the mu-law kernels in input bytes per second, over one 2-second recording
// (44,100 values) and over twenty seconds of sound, with memcpy of the same input sizes beside
// them. The ratio of each kernel to memcpy is what zav_bench_table prints (bench/table).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "keysound/mulaw_codec.h"

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

void Decode(benchmark::State& state, MuLawKernel kernel) {
    const auto codes = MakeCodes(state.range(0));
    std::vector<std::int16_t> samples(codes.size());
    for (auto _ : state) {
        keyvoice::DecodeMuLawWith(kernel, codes, samples);
        benchmark::DoNotOptimize(samples.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(codes.size()));
}

void Encode(benchmark::State& state, MuLawKernel kernel) {
    const auto samples = MakeSamples(state.range(0));
    std::vector<std::uint8_t> codes(samples.size());
    for (auto _ : state) {
        keyvoice::EncodeMuLawWith(kernel, samples, codes);
        benchmark::DoNotOptimize(codes.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(samples.size() * sizeof(std::int16_t)));
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
