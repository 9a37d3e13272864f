#pragma once
// The one pass over a block that the voice analyser makes: hysteresis crossings around a fixed
// centre line, the regularity count of the upward crossings, and the block's extremes.
//
// The crossing logic is sequential, but only a sample outside the band can cross. The scan
// builds bit masks of the samples under and over the band, 64 samples at a time with SIMD
// compares, and resolves the hysteresis of a whole mask word with one addition (see
// CrossingCounter in block_scan_kernels.h). The extremes come from the same loads. The figures
// are exactly those of a sample-by-sample scan.
//
// Thread: any. The functions keep no state apart from the kernel choice, made once in a
// thread-safe way.

#include <cstdint>
#include <span>

namespace keyvoice {

// What a scan starts from: the analyser's centre line, band, hysteresis state and periods.
struct ScanStart {
    std::int16_t centre = 0;
    std::int16_t threshold = 0;
    std::int32_t above = 0;  // only 0 and 1 cross; any other value never changes
    std::int32_t minPeriod = 0;
    std::int32_t periodTolerance = 0;
};

// What one block gave.
struct BlockScan {
    std::int32_t above = 0;       // hysteresis state after the block's last sample
    std::int32_t down = 0;        // downward crossings
    std::int32_t regularity = 0;  // +1 per regular long period, -1 per other upward crossing
    std::int16_t low = 0;         // smallest sample
    std::int16_t high = 0;        // largest sample
    std::int32_t peak = 0;        // largest |sample - centre|

    friend bool operator==(const BlockScan&, const BlockScan&) = default;
};

// The kernel families; which of them a processor can run is decided at run time.
enum class ScanKernel {
    Baseline,  // SSE2 on x86-64, plain code elsewhere; runs everywhere
    Avx2,      // x86-64 with AVX2 and POPCNT
};

// Scans a block of at most kMaxBlockSamples samples with the best kernel this processor runs.
// An empty block gives the start's hysteresis state, no crossings, and low = high = peak = 0.
BlockScan ScanBlock(std::span<const std::int16_t> samples, const ScanStart& start);

// The kernels this processor can run, Baseline first and the preferred one last.
std::span<const ScanKernel> SupportedScanKernels();

// ScanBlock on a named kernel, for tests and benchmarks. Throws std::invalid_argument for a
// kernel this processor cannot run.
BlockScan ScanBlockWith(ScanKernel kernel, std::span<const std::int16_t> samples,
                        const ScanStart& start);

}  // namespace keyvoice
