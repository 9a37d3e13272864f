#include "platform/alsa/alsa_pcm_format.h"

#include "platform/alsa/alsa_handles.h"

namespace zav::platform::alsa {

namespace {

constexpr unsigned kPlaybackPeriodMicros = 20'000;
constexpr unsigned kCapturePeriodMicros = 50'000;
constexpr unsigned kBufferMicros = 200'000;

// The channels pcm is to run with for settings (see PcmGeometry::deviceChannels).
unsigned DeviceChannels(snd_pcm_t* pcm, snd_pcm_hw_params_t* hw, const PcmSettings& settings) {
    const bool capture = snd_pcm_stream(pcm) == SND_PCM_STREAM_CAPTURE;
    if (capture && settings.channels == 1 && snd_pcm_hw_params_test_channels(pcm, hw, 2) == 0)
        return 2;
    return settings.channels;
}

}  // namespace

PcmSettings SettingsFor(const PcmWaveFormat& format) {
    PcmSettings settings;
    settings.sampleFormat = format.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    settings.channels = format.channels;
    settings.rate = format.samplesPerSec;
    settings.frameBytes = format.blockAlign;
    return settings;
}

MmResult ConfigurePcm(snd_pcm_t* pcm, const PcmSettings& settings, AlsaErrorLog& errors,
                      PcmGeometry& geometry) {
    HwParamsPtr hw = NewHwParams();
    SwParamsPtr sw = NewSwParams();
    if (!hw || !sw)
        return errors.Note(MmResult::NoMem, "no memory for the device parameters");

    int err = snd_pcm_hw_params_any(pcm, hw.get());
    if (err < 0)
        return errors.Record(err, "snd_pcm_hw_params_any", AlsaStep::Open);
    // Each refusal below means the device cannot take this format at all.
    if ((err = snd_pcm_hw_params_set_rate_resample(pcm, hw.get(), 1)) < 0 ||
        (err = snd_pcm_hw_params_set_access(pcm, hw.get(), SND_PCM_ACCESS_RW_INTERLEAVED)) < 0 ||
        (err = snd_pcm_hw_params_set_format(pcm, hw.get(), settings.sampleFormat)) < 0 ||
        (err = snd_pcm_hw_params_set_channels(pcm, hw.get(),
                                              DeviceChannels(pcm, hw.get(), settings))) < 0 ||
        (err = snd_pcm_hw_params_set_rate(pcm, hw.get(), settings.rate, 0)) < 0) {
        return errors.Record(err, "setting the wave format", AlsaStep::Format);
    }
    unsigned bufferMicros = kBufferMicros;
    unsigned periodMicros = snd_pcm_stream(pcm) == SND_PCM_STREAM_CAPTURE ? kCapturePeriodMicros
                                                                          : kPlaybackPeriodMicros;
    int dir = 0;
    // Near values: a device that cannot meet them exactly still records or plays.
    snd_pcm_hw_params_set_buffer_time_near(pcm, hw.get(), &bufferMicros, &dir);
    dir = 0;
    snd_pcm_hw_params_set_period_time_near(pcm, hw.get(), &periodMicros, &dir);
    if ((err = snd_pcm_hw_params(pcm, hw.get())) < 0)
        return errors.Record(err, "snd_pcm_hw_params", AlsaStep::Format);
    snd_pcm_hw_params_get_buffer_size(hw.get(), &geometry.bufferFrames);
    dir = 0;
    snd_pcm_hw_params_get_period_size(hw.get(), &geometry.periodFrames, &dir);
    snd_pcm_hw_params_get_channels(hw.get(), &geometry.deviceChannels);

    snd_pcm_uframes_t boundary = 0;
    if ((err = snd_pcm_sw_params_current(pcm, sw.get())) < 0 ||
        (err = snd_pcm_sw_params_get_boundary(sw.get(), &boundary)) < 0 ||
        // Never started by a read or a write: the wave calls start the stream themselves.
        (err = snd_pcm_sw_params_set_start_threshold(pcm, sw.get(), boundary)) < 0 ||
        (err = snd_pcm_sw_params_set_avail_min(pcm, sw.get(), geometry.periodFrames)) < 0 ||
        (err = snd_pcm_sw_params(pcm, sw.get())) < 0) {
        return errors.Record(err, "setting the software parameters", AlsaStep::Open);
    }
    if ((err = snd_pcm_prepare(pcm)) < 0)
        return errors.Record(err, "snd_pcm_prepare", AlsaStep::Open);
    return MmResult::NoError;
}

void AverageChannels(const std::uint8_t* from, std::uint8_t* to, std::size_t frames,
                     snd_pcm_format_t format) {
    if (format == SND_PCM_FORMAT_U8) {
        for (std::size_t i = 0; i < frames; ++i)
            to[i] = static_cast<std::uint8_t>((from[2 * i] + from[2 * i + 1]) >> 1);
        return;
    }
    for (std::size_t i = 0; i < frames; ++i) {
        const std::uint8_t* frame = from + 4 * i;
        const auto left = static_cast<std::int16_t>(frame[0] | (frame[1] << 8));
        const auto right = static_cast<std::int16_t>(frame[2] | (frame[3] << 8));
        const auto mean = static_cast<std::uint16_t>((left + right) >> 1);
        to[2 * i] = static_cast<std::uint8_t>(mean & 0xff);
        to[2 * i + 1] = static_cast<std::uint8_t>(mean >> 8);
    }
}

}  // namespace zav::platform::alsa
