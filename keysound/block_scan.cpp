#include "keysound/block_scan.h"

#include <array>
#include <cassert>
#include <stdexcept>

#include "keysound/block_scan_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace keyvoice {

namespace block_scan {

#if defined(__SSE2__)

namespace {

std::int32_t HorizontalMin(__m128i v) {
    v = _mm_min_epi16(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    v = _mm_min_epi16(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    v = _mm_min_epi16(v, _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<std::int16_t>(_mm_cvtsi128_si32(v));
}

std::int32_t HorizontalMax(__m128i v) {
    v = _mm_max_epi16(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    v = _mm_max_epi16(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    v = _mm_max_epi16(v, _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<std::int16_t>(_mm_cvtsi128_si32(v));
}

// 16 mask bits from two vectors of 16-bit compare results: lanes of first, then of second.
std::uint64_t LaneBits(__m128i first, __m128i second) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(first, second)));
}

}  // namespace

std::size_t ScanStridesBaseline(std::span<const std::int16_t> samples, const BandEdges& edges,
                                CrossingCounter& counter, Extremes& extremes) {
    const __m128i underEdge = _mm_set1_epi16(edges.Under16());
    const __m128i overEdge = _mm_set1_epi16(edges.Over16());
    const std::uint64_t alwaysOver = edges.AlwaysOver();

    __m128i low = _mm_set1_epi16(static_cast<std::int16_t>(kSampleMax));
    __m128i high = _mm_set1_epi16(static_cast<std::int16_t>(kSampleMin));
    const std::size_t strides = samples.size() / kStride;
    const std::int16_t* p = samples.data();
    for (std::size_t stride = 0; stride < strides; ++stride) {
        std::uint64_t under = 0;
        std::uint64_t over = 0;
        for (int part = 0; part < 4; ++part, p += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
            low = _mm_min_epi16(low, _mm_min_epi16(a, b));
            high = _mm_max_epi16(high, _mm_max_epi16(a, b));
            under |= LaneBits(_mm_cmplt_epi16(a, underEdge), _mm_cmplt_epi16(b, underEdge))
                     << (16 * part);
            over |= LaneBits(_mm_cmpgt_epi16(a, overEdge), _mm_cmpgt_epi16(b, overEdge))
                    << (16 * part);
        }
        counter.Feed(under, over | alwaysOver, static_cast<std::int32_t>(stride * kStride));
    }
    if (strides > 0) {
        extremes.low = std::min(extremes.low, HorizontalMin(low));
        extremes.high = std::max(extremes.high, HorizontalMax(high));
    }
    return strides * kStride;
}

#else

std::size_t ScanStridesBaseline(std::span<const std::int16_t> samples, const BandEdges& edges,
                                CrossingCounter& counter, Extremes& extremes) {
    const std::size_t strides = samples.size() / kStride;
    for (std::size_t stride = 0; stride < strides; ++stride) {
        ScanShortRun(samples.subspan(stride * kStride, kStride),
                     static_cast<std::int32_t>(stride * kStride), edges, counter, extremes);
    }
    return strides * kStride;
}

#endif

}  // namespace block_scan

namespace {

using block_scan::StrideScanner;

struct KernelChoice {
    std::array<ScanKernel, 2> supported{ScanKernel::Baseline};
    std::size_t count = 1;
};

const KernelChoice& Choice() {
    static const KernelChoice choice = [] {
        KernelChoice made;
#if defined(__x86_64__)
        // __builtin_cpu_supports also checks that the OS saves the wider registers.
        if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt")) {
            made.supported[made.count++] = ScanKernel::Avx2;
        }
#endif
        return made;
    }();
    return choice;
}

bool Supported(ScanKernel kernel) {
    const auto kernels = SupportedScanKernels();
    return std::find(kernels.begin(), kernels.end(), kernel) != kernels.end();
}

StrideScanner ScannerFor(ScanKernel kernel) {
    switch (kernel) {
        case ScanKernel::Baseline:
            return block_scan::ScanStridesBaseline;
        case ScanKernel::Avx2:
#if defined(__x86_64__)
            return block_scan::ScanStridesAvx2;
#else
            break;
#endif
    }
    return block_scan::ScanStridesBaseline;
}

BlockScan Scan(StrideScanner scanStrides, std::span<const std::int16_t> samples,
               const ScanStart& start) {
    assert(samples.size() <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()));
    const block_scan::BandEdges edges(start);
    block_scan::CrossingCounter counter(start);
    block_scan::Extremes extremes;
    const std::size_t done = scanStrides(samples, edges, counter, extremes);
    if (done < samples.size()) {
        block_scan::ScanShortRun(samples.subspan(done), static_cast<std::int32_t>(done), edges,
                                 counter, extremes);
    }

    BlockScan result;
    result.above = counter.Above();
    result.down = counter.Down();
    result.regularity = counter.Regularity();
    if (!samples.empty()) {
        result.low = static_cast<std::int16_t>(extremes.low);
        result.high = static_cast<std::int16_t>(extremes.high);
        result.peak = std::max(extremes.high - start.centre, start.centre - extremes.low);
    }
    return result;
}

}  // namespace

std::span<const ScanKernel> SupportedScanKernels() {
    const KernelChoice& choice = Choice();
    return {choice.supported.data(), choice.count};
}

BlockScan ScanBlock(std::span<const std::int16_t> samples, const ScanStart& start) {
    static const StrideScanner best = ScannerFor(SupportedScanKernels().back());
    return Scan(best, samples, start);
}

BlockScan ScanBlockWith(ScanKernel kernel, std::span<const std::int16_t> samples,
                        const ScanStart& start) {
    if (!Supported(kernel))
        throw std::invalid_argument("scan kernel not supported here");
    return Scan(ScannerFor(kernel), samples, start);
}

}  // namespace keyvoice
