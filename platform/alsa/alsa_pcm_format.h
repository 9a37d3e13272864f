#pragma once
// How a host wave format becomes the settings of an ALSA PCM device, and how a device is set up
// for the wave calls: interleaved, exact rate, short periods, started only on request.

#include <alsa/asoundlib.h>

#include <cstddef>
#include <cstdint>

#include "platform/alsa/alsa_error.h"
#include "platform/audio/wave_format.h"

namespace zav::platform::alsa {

struct PcmSettings {
    snd_pcm_format_t sampleFormat = SND_PCM_FORMAT_S16_LE;
    unsigned channels = 0;
    unsigned rate = 0;
    unsigned frameBytes = 0;  // the wave format's block align
};

// The settings for a format the wave core lets through (IsWaveFormatUsable): 8 bits are
// unsigned, 16 bits signed little-endian.
PcmSettings SettingsFor(const PcmWaveFormat& format);

struct PcmGeometry {
    snd_pcm_uframes_t bufferFrames = 0;
    snd_pcm_uframes_t periodFrames = 0;
    // The channels the device runs with: the settings' own, except for a mono capture on a
    // device that offers two, which records both and averages them (AverageChannels).
    unsigned deviceChannels = 0;
};

// Installs the settings on pcm and leaves it prepared; the stream then starts only through
// snd_pcm_start. Periods are about 20 ms for playback and 50 ms for capture, in a buffer of
// about 200 ms: a sound server may hand a capture stream with shorter periods an old quantum
// first (PipeWire 0.3 does below its 1024-frame minimum, about 21 ms at 48 kHz), so a take
// would begin with audio from before its start. A mono capture records two channels where the
// device offers them, so that a stereo microphone is averaged the same way on every server
// (PulseAudio averages the channels, PipeWire's mix is 3 dB louder). WaveBadFormat when the
// device refuses the format; other failures as the error log maps them.
MmResult ConfigurePcm(snd_pcm_t* pcm, const PcmSettings& settings, AlsaErrorLog& errors,
                      PcmGeometry& geometry);

// Capture from a two-channel device into a mono stream: each frame of from (two samples of
// format, U8 or S16_LE) becomes the mean of its samples in to (rounded down). from and to may
// be the same buffer.
void AverageChannels(const std::uint8_t* from, std::uint8_t* to, std::size_t frames,
                     snd_pcm_format_t format);

}  // namespace zav::platform::alsa
