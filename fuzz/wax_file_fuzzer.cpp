// Feeds arbitrary bytes to the .wax loader: it never reads outside the input, a refusal holds
// no sound, and a loaded sound has one sample per code the file holds (so its memory is
// bounded by the input), a wave record and a play range that cover exactly its samples, and
// loads again unchanged once written back as a .wax file.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "keysound/slot_state.h"
#include "keysound/wax_file.h"
#include "platform/testing/memory_file_system.h"

namespace {

using zav::fuzz::Require;

// The least a .wax file holds besides its codes: the RIFF header with its form type, a "fmt "
// chunk with a PCM format, and the "data" chunk's header.
constexpr std::size_t kChunkHeader = 8;
constexpr std::size_t kLeastOverhead =
    kChunkHeader + 4 + kChunkHeader + sizeof(zav::platform::PcmWaveFormat) + kChunkHeader;
constexpr std::int16_t kLoudestSample = 32124;  // what the loudest mu-law code decodes to

void CheckCoverage(keyvoice::Sound& sound) {
    const zav::platform::WaveHeader& wave = sound.Header().wave;
    Require(wave.data == sound.Bytes() && wave.bufferLength == sound.ByteCount(),
            "the wave record covers the samples");
    const keyvoice::PlayRange range = keyvoice::WholeRange(sound);
    Require(range.begin == sound.Bytes() && range.end == range.begin + wave.bufferLength &&
                range.position == 0,
            "a loaded sound's play range starts at its samples and ends after them");
    for (std::int16_t sample : sound.Samples()) {
        Require(sample >= -kLoudestSample && sample <= kLoudestSample,
                "every sample is a decoded mu-law code");
    }
}

void CheckRewrite(const keyvoice::Sound& sound) {
    zav::platform::sim::MemoryFileSystem files;
    constexpr std::string_view kPath = "C:\\APPS\\SYS\\cfff6.wax";
    Require(
        keyvoice::WriteWaxFile(files, kPath, sound.Header()) == keyvoice::WaxWriteResult::Written,
        "a loaded sound can be written");
    const keyvoice::LoadResult again = keyvoice::LoadSoundFile(files, kPath);
    Require(again.status == keyvoice::LoadStatus::Loaded &&
                again.sound->Header().format == sound.Header().format &&
                std::ranges::equal(again.sound->Samples(), sound.Samples()),
            "a written sound loads again with the same format and samples");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    keyvoice::LoadResult result = keyvoice::ParseSoundFile(std::span(data, size));
    if (result.status != keyvoice::LoadStatus::Loaded) {
        Require(!result.sound.has_value(), "a refused file leaves no sound");
        return 0;
    }
    Require(result.sound.has_value(), "a loaded file gives a sound");
    keyvoice::Sound& sound = *result.sound;
    Require(sound.Samples().size() + kLeastOverhead <= size,
            "one sample per code present in the input");
    CheckCoverage(sound);
    CheckRewrite(sound);
    return 0;
}
