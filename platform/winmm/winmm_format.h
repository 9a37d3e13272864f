#pragma once
// The pure translations between the seam's wave records and the host's own: formats, device
// capabilities and result codes. Nothing here opens a device.
//
// Thread: any (pure functions).

#include <windows.h>

#include <mmsystem.h>

#include <cstdint>

#include "platform/audio/wave_core.h"
#include "platform/audio/wave_format.h"
#include "platform/audio/wave_result.h"

namespace zav::platform::winmm {

// The host's WAVEFORMATEX for a format the wave core lets through (IsWaveFormatUsable), field
// for field. The core refuses every other format before the system sees it.
WAVEFORMATEX ToWaveFormatEx(const PcmWaveFormat& format);

// The bytes one of the backend's own device buffers holds: about 20 ms of sound, in whole
// frames, at least one frame. format must be one the wave core lets through.
std::uint32_t DeviceChunkBytes(const PcmWaveFormat& format);

// The capability records the core takes, from the host's.
WaveDeviceCaps FromHostCaps(const WAVEINCAPSW& caps);
WaveDeviceCaps FromHostCaps(const WAVEOUTCAPSW& caps);

// A wave call's result. The host's numbers are the seam's; a number the seam does not know
// becomes Error.
MmResult ToMmResult(MMRESULT result);

}  // namespace zav::platform::winmm
