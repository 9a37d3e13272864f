// AVX2 mu-law kernels. They compute the G.711 formulas in vector lanes instead of looking
// values up, because AVX2 has no byte lookup wider than 16 entries. Each step below notes
// why it yields the table entry. Compiled for every x86-64 build and only called when the
// processor has AVX2 (the functions carry their own target attribute).

#if defined(__x86_64__)

#include <immintrin.h>

#include <cstddef>

#include "keysound/mulaw_kernels.h"

#define ZAV_AVX2 __attribute__((target("avx2")))

namespace keyvoice::mulaw_kernels {
namespace {

constexpr std::size_t kDecodeStep = 32;  // codes per iteration: one 256-bit load
constexpr std::size_t kEncodeStep = 32;  // samples per iteration: two 256-bit loads

// Decodes 16 codes whose bytes are prepared as: u = ~code, base = mantissa * 8 + 132,
// power = 1 << exponent. magnitude = base * power - 132, which is the table's
// ((mantissa * 8 + 132) << exponent) - 132; the product is at most 252 << 7 = 32256.
ZAV_AVX2 inline __m256i DecodeSixteen(__m128i u, __m128i base, __m128i power) {
    const __m256i magnitude = _mm256_sub_epi16(
        _mm256_mullo_epi16(_mm256_cvtepu8_epi16(base), _mm256_cvtepu8_epi16(power)),
        _mm256_set1_epi16(132));
    // Bit 7 of u is the sign: as a signed byte u is negative exactly for negative samples.
    // u == 0 (code 0xFF) would zero the lane, but its magnitude is 0 anyway.
    return _mm256_sign_epi16(magnitude, _mm256_cvtepi8_epi16(u));
}

// Encodes 16 samples to 16-bit lanes holding the code bytes (0..255).
ZAV_AVX2 inline __m256i EncodeSixteen(__m256i x) {
    // Magnitude clipped to 32635, plus the bias. abs(-32768) is 0x8000, which the unsigned
    // minimum also clips, as the table does.
    const __m256i biased = _mm256_add_epi16(
        _mm256_min_epu16(_mm256_abs_epi16(x), _mm256_set1_epi16(32635)), _mm256_set1_epi16(132));
    // Converted to float (exact below 2^24), the biased value's exponent is 134 + segment,
    // because the value lies in [2^(segment+7), 2^(segment+8)); the top four fraction bits are
    // the four bits below the leading one, which is the table's mantissa. So bits 19..30 of
    // the float are (134 + segment) * 16 + mantissa = 2144 + code. Unpacking with zero and
    // packing back keeps the lane order.
    const __m256i zero = _mm256_setzero_si256();
    const __m256i low = _mm256_srli_epi32(
        _mm256_castps_si256(_mm256_cvtepi32_ps(_mm256_unpacklo_epi16(biased, zero))), 19);
    const __m256i high = _mm256_srli_epi32(
        _mm256_castps_si256(_mm256_cvtepi32_ps(_mm256_unpackhi_epi16(biased, zero))), 19);
    const __m256i code = _mm256_packus_epi32(low, high);
    // A positive sample's result is code ^ 0xFF = 255 - code = 2399 - (2144 + code); a
    // negative one's is code ^ 0x7F, 128 less. The sign word is -1 or 0, shifted left by 7
    // it is -128 or 0.
    const __m256i negative = _mm256_slli_epi16(_mm256_srai_epi16(x, 15), 7);
    return _mm256_sub_epi16(_mm256_add_epi16(_mm256_set1_epi16(2399), negative), code);
}

}  // namespace

ZAV_AVX2 void DecodeAvx2(std::span<const std::uint8_t> codes, std::span<std::int16_t> samples) {
    // 1 << exponent for the low four bits of an index; bit 3 (the sign) is masked off.
    const __m256i powers =
        _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16,
                         32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
    const __m256i lowNibble = _mm256_set1_epi8(0x0F);
    const __m256i allOnes = _mm256_set1_epi8(-1);
    const std::size_t whole = codes.size() - codes.size() % kDecodeStep;
    for (std::size_t i = 0; i < whole; i += kDecodeStep) {
        const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(codes.data() + i));
        const __m256i u = _mm256_xor_si256(raw, allOnes);
        // Byte-wise work on 32 codes at once; masking before each 16-bit shift keeps bits
        // from crossing into the neighbouring byte.
        const __m256i power =
            _mm256_shuffle_epi8(powers, _mm256_and_si256(_mm256_srli_epi16(u, 4), lowNibble));
        const __m256i base = _mm256_add_epi8(_mm256_slli_epi16(_mm256_and_si256(u, lowNibble), 3),
                                             _mm256_set1_epi8(-124));
        std::int16_t* out = samples.data() + i;
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                            DecodeSixteen(_mm256_castsi256_si128(u), _mm256_castsi256_si128(base),
                                          _mm256_castsi256_si128(power)));
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(out + 16),
            DecodeSixteen(_mm256_extracti128_si256(u, 1), _mm256_extracti128_si256(base, 1),
                          _mm256_extracti128_si256(power, 1)));
    }
    DecodeScalar(codes.subspan(whole), samples.subspan(whole));
}

ZAV_AVX2 void EncodeAvx2(std::span<const std::int16_t> samples, std::span<std::uint8_t> codes) {
    const std::size_t whole = samples.size() - samples.size() % kEncodeStep;
    for (std::size_t i = 0; i < whole; i += kEncodeStep) {
        const std::int16_t* in = samples.data() + i;
        const __m256i first =
            EncodeSixteen(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in)));
        const __m256i second =
            EncodeSixteen(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 16)));
        // The byte pack works per 128-bit half; the 64-bit permute restores sample order.
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(first, second), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(codes.data() + i), packed);
    }
    EncodeScalar(samples.subspan(whole), codes.subspan(whole));
}

}  // namespace keyvoice::mulaw_kernels

#endif  // defined(__x86_64__)
