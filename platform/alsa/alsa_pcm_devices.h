#pragma once
// The PCM devices of one direction as the wave calls number them: the system's "default" device
// first (when it can be opened), then every PCM device of every sound card, through the plug
// layer so that any rate and channel count can be asked for. The wave mapper is device 0.
//
// Thread: any; each call asks ALSA afresh.

#include <alsa/asoundlib.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/alsa/alsa_error.h"

namespace zav::platform::alsa {

inline constexpr const char* kDefaultDeviceName = "default";

struct AlsaPcmDevice {
    std::string name;         // what snd_pcm_open takes
    std::string productName;  // at most kMaxProductNameLength characters
};

std::vector<AlsaPcmDevice> ListPcmDevices(snd_pcm_stream_t stream);

// The name of the card behind the default control device ("PulseAudio" through a sound
// server); empty when there is none.
std::string DefaultCardName();

// What a device takes.
struct PcmCaps {
    std::uint32_t formats = 0;  // WaveFormatBit bits
    std::uint16_t channels = 0;
};

// Whether a device takes 16- or 8-bit PCM with that many channels at that rate.
using FormatTest =
    std::function<bool(std::uint32_t rate, std::uint16_t channels, std::uint16_t bitsPerSample)>;

// The standard format bits of a device, asking test about each standard combination.
std::uint32_t StandardFormats(const FormatTest& test);

// Opens the device without taking it over and tests its hardware parameters.
MmResult ProbePcmCaps(const std::string& name, snd_pcm_stream_t stream, AlsaErrorLog& errors,
                      PcmCaps& caps);

}  // namespace zav::platform::alsa
