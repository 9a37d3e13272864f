// Feeds arbitrary bytes to zavtool's WAVE reader: a refusal says why; an accepted file is
// 16-bit PCM mono, its samples fit in the input beside the headers, and writing them as a
// WAVE file and reading that again gives the same format and samples.

#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "tools/zavtool/pcm_wave.h"

namespace {

using zav::fuzz::Require;

// The least a file holds besides its samples: the RIFF header with its form type, a "fmt "
// chunk with a PCM format, and the "data" chunk's header.
constexpr std::size_t kChunkHeader = 8;
constexpr std::size_t kLeastOverhead =
    kChunkHeader + 4 + kChunkHeader + sizeof(zav::platform::PcmWaveFormat) + kChunkHeader;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string problem;
    const auto wave = zavtool::ReadPcmWave({data, size}, problem);
    if (!wave) {
        Require(!problem.empty(), "a refusal names its reason");
        return 0;
    }
    Require(wave->samples.size() * sizeof(std::int16_t) + kLeastOverhead <= size,
            "the samples fit in the input beside the headers");
    Require(wave->format.formatTag == zav::platform::kWaveFormatPcm &&
                wave->format.bitsPerSample == 16 && wave->format.channels == 1,
            "only 16-bit PCM mono is accepted");

    const std::vector<std::uint8_t> rebuilt = zavtool::BuildPcmWave(wave->format, wave->samples);
    std::string again;
    const auto reread = zavtool::ReadPcmWave(rebuilt, again);
    Require(reread && reread->format == wave->format && reread->samples == wave->samples,
            "a file written from what was read reads back the same");
    return 0;
}
