// Feeds arbitrary bytes to the .wax loader: it must never read outside the input, and a loaded
// sound must hold exactly the codes the file has.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "keyvoice/wax_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const keyvoice::LoadResult result = keyvoice::ParseSoundFile(std::span(data, size));
    if (result.status == keyvoice::LoadStatus::Loaded) {
        const keyvoice::Sound& sound = *result.sound;
        if (sound.Samples().size() > size)
            std::abort();
        if (sound.Header().wave.bufferLength != sound.ByteCount())
            std::abort();
    } else if (result.sound.has_value()) {
        std::abort();
    }
    return 0;
}
