#include "keysound/mulaw_codec.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <stdexcept>

#include "keysound/mulaw_kernels.h"
#include "keysound/mulaw_tables.h"

namespace keyvoice {
namespace mulaw_kernels {

void DecodeScalar(std::span<const std::uint8_t> codes, std::span<std::int16_t> samples) {
    std::transform(codes.begin(), codes.end(), samples.begin(), MuLawToSample);
}

void EncodeScalar(std::span<const std::int16_t> samples, std::span<std::uint8_t> codes) {
    std::transform(samples.begin(), samples.end(), codes.begin(), SampleToMuLaw);
}

}  // namespace mulaw_kernels

namespace {

// The supported kernels, in order of preference, found once from the processor's features.
class KernelList {
  public:
    KernelList() {
        Add(MuLawKernel::kScalar);
#if defined(__x86_64__)
        // __builtin_cpu_supports also checks that the OS saves the wider registers.
        if (__builtin_cpu_supports("avx2")) {
            Add(MuLawKernel::kAvx2);
        }
        if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi")) {
            Add(MuLawKernel::kAvx512Vbmi);
        }
#endif
    }

    std::span<const MuLawKernel> Kernels() const {
        return {kernels_.data(), count_};
    }

  private:
    void Add(MuLawKernel kernel) {
        kernels_[count_++] = kernel;
    }

    std::array<MuLawKernel, 3> kernels_{};
    std::size_t count_ = 0;
};

const KernelList& Kernels() {
    static const KernelList list;
    return list;
}

void CheckSupported(MuLawKernel kernel) {
    const auto supported = SupportedMuLawKernels();
    if (std::find(supported.begin(), supported.end(), kernel) == supported.end()) {
        throw std::invalid_argument("mu-law kernel not supported by this processor");
    }
}

void CheckSameSize(std::size_t from, std::size_t to) {
    if (from != to) {
        throw std::length_error("mu-law conversion needs input and output of the same length");
    }
}

void RunDecode(MuLawKernel kernel, std::span<const std::uint8_t> codes,
               std::span<std::int16_t> samples) {
    switch (kernel) {
#if defined(__x86_64__)
        case MuLawKernel::kAvx512Vbmi:
            mulaw_kernels::DecodeAvx512Vbmi(codes, samples);
            return;
        case MuLawKernel::kAvx2:
            mulaw_kernels::DecodeAvx2(codes, samples);
            return;
#endif
        default:
            mulaw_kernels::DecodeScalar(codes, samples);
            return;
    }
}

void RunEncode(MuLawKernel kernel, std::span<const std::int16_t> samples,
               std::span<std::uint8_t> codes) {
    switch (kernel) {
#if defined(__x86_64__)
        case MuLawKernel::kAvx512Vbmi:
            mulaw_kernels::EncodeAvx512Vbmi(samples, codes);
            return;
        case MuLawKernel::kAvx2:
            mulaw_kernels::EncodeAvx2(samples, codes);
            return;
#endif
        default:
            mulaw_kernels::EncodeScalar(samples, codes);
            return;
    }
}

}  // namespace

std::span<const MuLawKernel> SupportedMuLawKernels() {
    return Kernels().Kernels();
}

MuLawKernel ActiveMuLawKernel() {
    static const MuLawKernel active = SupportedMuLawKernels().back();
    return active;
}

void DecodeMuLaw(std::span<const std::uint8_t> codes, std::span<std::int16_t> samples) {
    CheckSameSize(codes.size(), samples.size());
    RunDecode(ActiveMuLawKernel(), codes, samples);
}

void EncodeMuLaw(std::span<const std::int16_t> samples, std::span<std::uint8_t> codes) {
    CheckSameSize(samples.size(), codes.size());
    RunEncode(ActiveMuLawKernel(), samples, codes);
}

void DecodeMuLawWith(MuLawKernel kernel, std::span<const std::uint8_t> codes,
                     std::span<std::int16_t> samples) {
    CheckSupported(kernel);
    CheckSameSize(codes.size(), samples.size());
    RunDecode(kernel, codes, samples);
}

void EncodeMuLawWith(MuLawKernel kernel, std::span<const std::int16_t> samples,
                     std::span<std::uint8_t> codes) {
    CheckSupported(kernel);
    CheckSameSize(samples.size(), codes.size());
    RunEncode(kernel, samples, codes);
}

}  // namespace keyvoice
