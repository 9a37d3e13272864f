#pragma once
// The built-in key sounds of the sample installation, made from nothing but arithmetic: a
// whistle for W and short voice-like chirps for keys 1 to 5, in a lower ("m") or higher ("f")
// voice. Each call gives the same samples for the same arguments.
//
// Thread: any; nothing is shared.

#include <cstdint>
#include <vector>

#include "platform/audio/wave_format.h"

namespace zavtool {

// 22,050 samples per second, 16-bit mono: the format the recorder plays.
inline constexpr std::uint32_t kDemoSampleRate = 22050;
inline constexpr zav::platform::PcmWaveFormat kDemoSoundFormat{
    zav::platform::kWaveFormatPcm, 1, kDemoSampleRate, kDemoSampleRate * 2, 2, 16};

// The sound of a built-in key, 'W' or '1' to '5' (the key's caption), in the voice that
// soundVariant chooses as the recorder does (kMaleSoundVariant the lower voice, anything else
// the higher one). Empty for any other key.
std::vector<std::int16_t> SynthesizeKeySound(char keyLabel, std::int32_t soundVariant);

}  // namespace zavtool
