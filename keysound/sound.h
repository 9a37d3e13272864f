#pragma once
// A sound in memory: its header record and its 16-bit samples, owned together.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/audio/wave_format.h"

namespace keyvoice {

// The header of every sound buffer: the PCM format a wave device is opened with, followed by
// the wave buffer record that is prepared and written for playback or added for recording.
// On a host with 32-bit pointers this record is 48 bytes.
struct SoundHeader {
    zav::platform::PcmWaveFormat format;
    zav::platform::WaveHeader wave;
};
static_assert(offsetof(SoundHeader, wave) == sizeof(zav::platform::PcmWaveFormat));

// Owns a zero-filled SoundHeader and a separate block of samples. The header's wave record
// points at the samples and gives their length in bytes. Moving a Sound keeps both blocks
// where they are, so a wave device may hold on to their addresses.
class Sound {
  public:
    // Throws std::bad_alloc when memory runs out, leaving nothing allocated.
    Sound(const zav::platform::PcmWaveFormat& format, std::size_t sampleCount);

    SoundHeader& Header() { return *header_; }
    const SoundHeader& Header() const { return *header_; }
    std::span<std::int16_t> Samples() { return {samples_.get(), sampleCount_}; }
    std::span<const std::int16_t> Samples() const { return {samples_.get(), sampleCount_}; }
    // The samples as the raw bytes a wave device reads or fills.
    std::uint8_t* Bytes() { return reinterpret_cast<std::uint8_t*>(samples_.get()); }
    std::size_t ByteCount() const { return sampleCount_ * sizeof(std::int16_t); }

  private:
    std::unique_ptr<SoundHeader> header_;
    std::unique_ptr<std::int16_t[]> samples_;
    std::size_t sampleCount_ = 0;
};

}  // namespace keyvoice
