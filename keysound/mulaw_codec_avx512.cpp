// AVX-512 (BW + VBMI) mu-law kernels. VBMI's two-register byte permute is a 128-entry byte
// lookup, so both directions become a few lookups in small tables derived from the real
// tables at compile time. Compiled for every x86-64 build and only called when the
// processor has AVX-512 BW and VBMI (the functions carry their own target attribute).

#if defined(__x86_64__)

#include <immintrin.h>

#include <array>
#include <cstddef>

#include "keysound/mulaw_kernels.h"
#include "keysound/mulaw_tables.h"

#define ZAV_AVX512 __attribute__((target("avx512bw,avx512vbmi")))

namespace keyvoice::mulaw_kernels {
namespace {

constexpr std::size_t kVectorBytes = 64;
constexpr std::size_t kDecodeStep = 64;  // codes per iteration: one load, two stores
constexpr std::size_t kEncodeStep = 64;  // samples per iteration: two loads, one store

using SmallTable = std::array<std::uint8_t, 128>;
using Pattern = std::array<std::uint8_t, 64>;

// The low and high bytes of the decoded magnitude for the low seven bits of a code. A code
// and the same code with bit 7 set decode to the same magnitude (bit 7 is only the sign),
// and with bit 7 set the sample is positive, so the magnitude is MuLawToLinear[0x80 + i].
constexpr SmallTable MagnitudeBytes(int shift) {
    SmallTable bytes{};
    for (std::size_t low = 0; low < bytes.size(); ++low) {
        bytes[low] = static_cast<std::uint8_t>(MuLawToLinear[0x80 + low] >> shift);
    }
    return bytes;
}
alignas(64) constexpr SmallTable kMagnitudeLow = MagnitudeBytes(0);
alignas(64) constexpr SmallTable kMagnitudeHigh = MagnitudeBytes(8);

// Byte picks for a two-register permute over (low bytes, high bytes) that interleave them
// into little-endian 16-bit samples: output word w takes low byte `first + w` and high byte
// `first + w` (index + 64 selects the second register).
constexpr Pattern MakeInterleave(std::uint8_t first) {
    Pattern pattern{};
    for (std::size_t word = 0; word < pattern.size() / 2; ++word) {
        pattern[2 * word] = static_cast<std::uint8_t>(first + word);
        pattern[2 * word + 1] = static_cast<std::uint8_t>(64 + first + word);
    }
    return pattern;
}
alignas(64) constexpr Pattern kInterleaveFirstHalf = MakeInterleave(0);
alignas(64) constexpr Pattern kInterleaveSecondHalf = MakeInterleave(32);

// For encode, indexed by the biased magnitude's high byte h = value >> 8 (0..127): the
// segment is 0 for h == 0 and 1 + floor(log2 h) otherwise, because segment s holds the
// values 2^(s+7) .. 2^(s+8) - 1.
constexpr int Segment(std::size_t high) {
    int segment = 0;
    while (high != 0) {
        ++segment;
        high >>= 1;
    }
    return segment;
}

// Shift that brings the leading one of the value to bit 4: value >> (segment + 3) is then
// 16 + mantissa.
constexpr SmallTable MakeShiftTable() {
    SmallTable table{};
    for (std::size_t high = 0; high < table.size(); ++high) {
        table[high] = static_cast<std::uint8_t>(Segment(high) + 3);
    }
    return table;
}

// A positive sample's code is ~(segment * 16 + mantissa) & 0xFF
// = 271 - segment * 16 - (16 + mantissa) modulo 256, so the table holds 271 - segment * 16
// and the kernel subtracts the shifted value with byte arithmetic.
constexpr SmallTable MakeCodeBaseTable() {
    SmallTable table{};
    for (std::size_t high = 0; high < table.size(); ++high) {
        table[high] = static_cast<std::uint8_t>((271 - 16 * Segment(high)) & 0xFF);
    }
    return table;
}
alignas(64) constexpr SmallTable kShift = MakeShiftTable();
alignas(64) constexpr SmallTable kCodeBase = MakeCodeBaseTable();

// Byte picks that gather the low byte of every 16-bit lane of two registers: 64 codes.
constexpr Pattern MakeLowBytes() {
    Pattern pattern{};
    for (std::size_t byte = 0; byte < pattern.size(); ++byte) {
        pattern[byte] = static_cast<std::uint8_t>(2 * byte);
    }
    return pattern;
}
alignas(64) constexpr Pattern kLowBytesOfTwo = MakeLowBytes();

// The encode tables and constants, loaded into registers once per call.
struct EncodeTables {
    __m512i shift0;
    __m512i shift1;
    __m512i base0;
    __m512i base1;
};

// Encodes 32 samples into the low bytes of their 16-bit lanes (the high bytes are left
// undefined).
ZAV_AVX512 inline __m512i EncodeThirtyTwo(__m512i x, const EncodeTables& tables) {
    // Magnitude clipped to 32635, plus the bias: 132 .. 32767. abs(-32768) is 0x8000,
    // which the unsigned minimum clips as the table does.
    const __m512i value = _mm512_add_epi16(
        _mm512_min_epu16(_mm512_abs_epi16(x), _mm512_set1_epi16(32635)), _mm512_set1_epi16(132));
    const __m512i high = _mm512_srli_epi16(value, 8);
    // The shift count is the whole 16-bit lane, so the lookup zeroes the high bytes.
    const __mmask64 lowBytes = 0x5555555555555555ULL;
    const __m512i shift =
        _mm512_maskz_permutex2var_epi8(lowBytes, tables.shift0, high, tables.shift1);
    const __m512i topFive = _mm512_srlv_epi16(value, shift);  // 16 + mantissa
    const __m512i base = _mm512_permutex2var_epi8(tables.base0, high, tables.base1);
    const __m512i positive = _mm512_sub_epi8(base, topFive);
    // A negative sample's code is the positive one with bit 7 flipped (mask 0x7F instead
    // of 0xFF): 0x78 is A ^ (B & C) for A = the code, B = the sign word, C = 0x80.
    return _mm512_ternarylogic_epi32(positive, _mm512_srai_epi16(x, 15), _mm512_set1_epi16(0x80),
                                     0x78);
}

}  // namespace

ZAV_AVX512 void DecodeAvx512Vbmi(std::span<const std::uint8_t> codes,
                                 std::span<std::int16_t> samples) {
    const __m512i magnitudeLow0 = _mm512_load_si512(kMagnitudeLow.data());
    const __m512i magnitudeLow1 = _mm512_load_si512(kMagnitudeLow.data() + kVectorBytes);
    const __m512i magnitudeHigh0 = _mm512_load_si512(kMagnitudeHigh.data());
    const __m512i magnitudeHigh1 = _mm512_load_si512(kMagnitudeHigh.data() + kVectorBytes);
    const __m512i firstHalf = _mm512_load_si512(kInterleaveFirstHalf.data());
    const __m512i secondHalf = _mm512_load_si512(kInterleaveSecondHalf.data());
    const __m512i signBit = _mm512_set1_epi8(static_cast<char>(0x80));
    const __m512i zero = _mm512_setzero_si512();
    const std::size_t whole = codes.size() - codes.size() % kDecodeStep;
    for (std::size_t i = 0; i < whole; i += kDecodeStep) {
        const __m512i code = _mm512_loadu_si512(codes.data() + i);
        // The permute reads bits 0..6 of each code and ignores bit 7, which is the sign: a
        // clear bit 7 means a negative sample.
        const __mmask64 negative = _mm512_testn_epi8_mask(code, signBit);
        const __m512i low = _mm512_permutex2var_epi8(magnitudeLow0, code, magnitudeLow1);
        const __m512i high = _mm512_permutex2var_epi8(magnitudeHigh0, code, magnitudeHigh1);
        const __m512i first = _mm512_permutex2var_epi8(low, firstHalf, high);
        const __m512i second = _mm512_permutex2var_epi8(low, secondHalf, high);
        // Samples 0..31 take the low half of the sign mask, samples 32..63 the high half.
        const auto negativeFirst = static_cast<__mmask32>(negative);
        const auto negativeSecond = static_cast<__mmask32>(negative >> 32);
        std::int16_t* out = samples.data() + i;
        _mm512_storeu_si512(out, _mm512_mask_sub_epi16(first, negativeFirst, zero, first));
        _mm512_storeu_si512(out + 32, _mm512_mask_sub_epi16(second, negativeSecond, zero, second));
    }
    DecodeScalar(codes.subspan(whole), samples.subspan(whole));
}

ZAV_AVX512 void EncodeAvx512Vbmi(std::span<const std::int16_t> samples,
                                 std::span<std::uint8_t> codes) {
    const EncodeTables tables{
        _mm512_load_si512(kShift.data()), _mm512_load_si512(kShift.data() + kVectorBytes),
        _mm512_load_si512(kCodeBase.data()), _mm512_load_si512(kCodeBase.data() + kVectorBytes)};
    const __m512i lowBytesOfTwo = _mm512_load_si512(kLowBytesOfTwo.data());
    const std::size_t whole = samples.size() - samples.size() % kEncodeStep;
    for (std::size_t i = 0; i < whole; i += kEncodeStep) {
        const std::int16_t* in = samples.data() + i;
        const __m512i first = EncodeThirtyTwo(_mm512_loadu_si512(in), tables);
        const __m512i second = EncodeThirtyTwo(_mm512_loadu_si512(in + 32), tables);
        _mm512_storeu_si512(codes.data() + i,
                            _mm512_permutex2var_epi8(first, lowBytesOfTwo, second));
    }
    EncodeScalar(samples.subspan(whole), codes.subspan(whole));
}

}  // namespace keyvoice::mulaw_kernels

#endif  // defined(__x86_64__)
