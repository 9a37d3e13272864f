#pragma once
// The mu-law kernel families behind mulaw_codec.h. Each kernel takes two spans of equal size
// (the caller has checked) and must match the tables bit for bit. The vector kernels convert
// whole vectors and leave the last few values to the scalar kernel.
//
// Thread: any; the kernels are pure functions of their inputs.

#include <cstdint>
#include <span>

namespace keyvoice::mulaw_kernels {

void DecodeScalar(std::span<const std::uint8_t> codes, std::span<std::int16_t> samples);
void EncodeScalar(std::span<const std::int16_t> samples, std::span<std::uint8_t> codes);

#if defined(__x86_64__)
// Only to be called when the processor has AVX2 (see mulaw_codec.cpp).
void DecodeAvx2(std::span<const std::uint8_t> codes, std::span<std::int16_t> samples);
void EncodeAvx2(std::span<const std::int16_t> samples, std::span<std::uint8_t> codes);

// Only to be called when the processor has AVX-512 BW and VBMI.
void DecodeAvx512Vbmi(std::span<const std::uint8_t> codes, std::span<std::int16_t> samples);
void EncodeAvx512Vbmi(std::span<const std::int16_t> samples, std::span<std::uint8_t> codes);
#endif

}  // namespace keyvoice::mulaw_kernels
