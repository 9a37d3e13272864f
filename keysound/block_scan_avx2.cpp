// The AVX2 kernel of the block scan: 16 samples per compare and POPCNT for the crossing counts.
// Compiled for every x86-64 build and only called when the processor has AVX2 and POPCNT (the
// functions carry their own target attribute).

#if defined(__x86_64__)

#include <immintrin.h>

#include "keysound/block_scan_kernels.h"

#define ZAV_SCAN_AVX2 __attribute__((target("avx2,popcnt")))

namespace keyvoice::block_scan {
namespace {

// 32 mask bits from two vectors of 16-bit compare results: lanes of first, then of second.
// The pack works within 128-bit halves, so the permute puts its quarters back in order.
ZAV_SCAN_AVX2 inline std::uint64_t LaneBits(__m256i first, __m256i second) {
    const __m256i packed =
        _mm256_permute4x64_epi64(_mm256_packs_epi16(first, second), _MM_SHUFFLE(3, 1, 2, 0));
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(packed));
}

ZAV_SCAN_AVX2 inline std::int32_t HorizontalMin(__m256i v) {
    __m128i m = _mm_min_epi16(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    m = _mm_min_epi16(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 3, 2)));
    m = _mm_min_epi16(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)));
    m = _mm_min_epi16(m, _mm_shufflelo_epi16(m, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<std::int16_t>(_mm_cvtsi128_si32(m));
}

ZAV_SCAN_AVX2 inline std::int32_t HorizontalMax(__m256i v) {
    __m128i m = _mm_max_epi16(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    m = _mm_max_epi16(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 3, 2)));
    m = _mm_max_epi16(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)));
    m = _mm_max_epi16(m, _mm_shufflelo_epi16(m, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<std::int16_t>(_mm_cvtsi128_si32(m));
}

}  // namespace

ZAV_SCAN_AVX2 std::size_t ScanStridesAvx2(std::span<const std::int16_t> samples,
                                          const BandEdges& edges, CrossingCounter& counter,
                                          Extremes& extremes) {
    const __m256i underEdge = _mm256_set1_epi16(edges.Under16());
    const __m256i overEdge = _mm256_set1_epi16(edges.Over16());
    const std::uint64_t alwaysOver = edges.AlwaysOver();

    __m256i low = _mm256_set1_epi16(static_cast<std::int16_t>(kSampleMax));
    __m256i high = _mm256_set1_epi16(static_cast<std::int16_t>(kSampleMin));
    const std::size_t strides = samples.size() / kStride;
    const std::int16_t* p = samples.data();
    for (std::size_t stride = 0; stride < strides; ++stride) {
        std::uint64_t under = 0;
        std::uint64_t over = 0;
        for (int part = 0; part < 2; ++part, p += 32) {
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 16));
            low = _mm256_min_epi16(low, _mm256_min_epi16(a, b));
            high = _mm256_max_epi16(high, _mm256_max_epi16(a, b));
            // s < edge is edge > s: AVX2 compares only for "greater".
            under |= LaneBits(_mm256_cmpgt_epi16(underEdge, a), _mm256_cmpgt_epi16(underEdge, b))
                     << (32 * part);
            over |= LaneBits(_mm256_cmpgt_epi16(a, overEdge), _mm256_cmpgt_epi16(b, overEdge))
                    << (32 * part);
        }
        counter.Feed(under, over | alwaysOver, static_cast<std::int32_t>(stride * kStride));
    }
    if (strides > 0) {
        extremes.low = std::min(extremes.low, HorizontalMin(low));
        extremes.high = std::max(extremes.high, HorizontalMax(high));
    }
    return strides * kStride;
}

}  // namespace keyvoice::block_scan

#endif  // defined(__x86_64__)
