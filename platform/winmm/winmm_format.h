#pragma once
// The pure translations between the seam's wave records and the host's own: formats, device
// capabilities and result codes. Nothing here opens a device.
//
// Thread: any (pure functions).

#include <windows.h>

#include <mmsystem.h>

#include <cstdint>
#include <optional>

#include "platform/audio/wave_core.h"
#include "platform/audio/wave_format.h"
#include "platform/audio/wave_result.h"

namespace zav::platform::winmm {

// The rates and channel counts a wave device is asked for at all.
inline constexpr std::uint32_t kMinWaveRate = 1000;
inline constexpr std::uint32_t kMaxWaveRate = 192000;
inline constexpr std::uint16_t kMaxWaveChannels = 2;

// The host's WAVEFORMATEX for format: PCM of 8 or 16 bits, 1 or 2 channels, a rate within the
// bounds above, and a block align and byte rate that agree with the rest. nullopt for anything
// else, which a wave device refuses as a bad format.
std::optional<WAVEFORMATEX> ToWaveFormatEx(const PcmWaveFormat& format);

// The bytes one of the backend's own device buffers holds: about 20 ms of sound, in whole
// frames, at least one frame. format must be one ToWaveFormatEx accepts.
std::uint32_t DeviceChunkBytes(const PcmWaveFormat& format);

// The capability records the core takes, from the host's.
WaveDeviceCaps FromHostCaps(const WAVEINCAPSW& caps);
WaveDeviceCaps FromHostCaps(const WAVEOUTCAPSW& caps);

// A wave call's result. The host's numbers are the seam's; a number the seam does not know
// becomes Error.
MmResult ToMmResult(MMRESULT result);

}  // namespace zav::platform::winmm
