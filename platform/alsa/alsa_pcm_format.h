#pragma once
// How a host wave format becomes the settings of an ALSA PCM device, and how a device is set up
// for the wave calls: interleaved, exact rate, short periods, started only on request.

#include <alsa/asoundlib.h>

#include <cstdint>
#include <optional>

#include "platform/alsa/alsa_error.h"
#include "platform/audio/wave_format.h"

namespace zav::platform::alsa {

struct PcmSettings {
    snd_pcm_format_t sampleFormat = SND_PCM_FORMAT_S16_LE;
    unsigned channels = 0;
    unsigned rate = 0;
    unsigned frameBytes = 0;  // the wave format's block align
};

// The rates a wave device is asked for at all.
inline constexpr std::uint32_t kMinWaveRate = 1000;
inline constexpr std::uint32_t kMaxWaveRate = 192000;
inline constexpr std::uint16_t kMaxWaveChannels = 2;

// The settings for format: PCM of 8 (unsigned) or 16 (signed little-endian) bits, 1 or 2
// channels, a rate within the bounds above, and a block align and byte rate that agree with
// the rest. nullopt for anything else: a wave device refuses it as a bad format.
std::optional<PcmSettings> SettingsFor(const PcmWaveFormat& format);

struct PcmGeometry {
    snd_pcm_uframes_t bufferFrames = 0;
    snd_pcm_uframes_t periodFrames = 0;
};

// Installs the settings on pcm (with about 20 ms periods in a buffer of about 200 ms) and
// leaves it prepared; the stream then starts only through snd_pcm_start. WaveBadFormat when
// the device refuses the format; other failures as the error log maps them.
MmResult ConfigurePcm(snd_pcm_t* pcm, const PcmSettings& settings, AlsaErrorLog& errors,
                      PcmGeometry& geometry);

}  // namespace zav::platform::alsa
