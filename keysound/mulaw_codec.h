#pragma once
// Whole-buffer mu-law conversion for the .wax reader and writer. Every kernel gives exactly
// the result of the tables in mulaw_tables.h, for every input; the fast ones only get there
// sooner. The best kernel the processor supports is chosen once, on first use.
//
// Thread: any. The functions keep no state apart from the kernel choice, which is made once
// in a thread-safe way.

#include <cstdint>
#include <span>

namespace keyvoice {

// The kernel families. Which of them a processor can run is decided at run time.
enum class MuLawKernel {
    kScalar,      // table loop; runs everywhere
    kAvx2,        // x86-64 with AVX2
    kAvx512Vbmi,  // x86-64 with AVX-512 BW and VBMI
};

// samples[i] = MuLawToLinear[codes[i]]. Throws std::length_error (and writes nothing) when the
// two spans differ in size.
void DecodeMuLaw(std::span<const std::uint8_t> codes, std::span<std::int16_t> samples);

// codes[i] = LinearToMuLaw[samples[i] + 32768]. Throws std::length_error (and writes nothing)
// when the two spans differ in size.
void EncodeMuLaw(std::span<const std::int16_t> samples, std::span<std::uint8_t> codes);

// The kernels this processor can run, scalar first and the preferred one last.
std::span<const MuLawKernel> SupportedMuLawKernels();

// The kernel DecodeMuLaw and EncodeMuLaw use: the last of SupportedMuLawKernels().
MuLawKernel ActiveMuLawKernel();

// The same conversions on a named kernel, for tests and benchmarks. Throw
// std::invalid_argument for a kernel this processor cannot run, std::length_error as above.
void DecodeMuLawWith(MuLawKernel kernel, std::span<const std::uint8_t> codes,
                     std::span<std::int16_t> samples);
void EncodeMuLawWith(MuLawKernel kernel, std::span<const std::int16_t> samples,
                     std::span<std::uint8_t> codes);

}  // namespace keyvoice
