#include "keysound/sound.h"

#include <limits>
#include <new>

namespace keyvoice {

Sound::Sound(const zav::platform::PcmWaveFormat& format, std::size_t sampleCount)
    : header_(std::make_unique<SoundHeader>()),
      samples_(std::make_unique<std::int16_t[]>(sampleCount)),  // value-initialised: zeros
      sampleCount_(sampleCount) {
    // The wave record counts bytes in 32 bits.
    if (ByteCount() > std::numeric_limits<std::uint32_t>::max())
        throw std::bad_alloc();
    header_->format = format;
    header_->wave.data = Bytes();
    header_->wave.bufferLength = static_cast<std::uint32_t>(ByteCount());
}

}  // namespace keyvoice
