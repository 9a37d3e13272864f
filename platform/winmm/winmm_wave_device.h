#pragma once
// One open WinMM wave device, input or output, with the host's calls on it gathered in one
// place so that the pump needs no direction switch of its own. The device's function callback
// only signals an event (the host forbids any wave call inside it); whoever waits on the event
// then looks at the buffers' flags.
//
// Thread: the calls on one device are made by one thread at a time (the pump holds the core's
// mutex for them). Closing waits for nothing: the callback touches nothing but the event, which
// must outlive the device.

#include <windows.h>

#include <mmsystem.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/audio/wave_core.h"
#include "platform/audio/wave_result.h"

namespace zav::platform::winmm {

class WinmmWaveDevice {
  public:
    // Opens deviceId (WAVE_MAPPER: the system's choice) for format; the device's done notices
    // signal doneEvent. On failure device stays empty.
    static MmResult Open(WaveDirection direction, UINT deviceId, const WAVEFORMATEX& format,
                         HANDLE doneEvent, std::unique_ptr<WinmmWaveDevice>& device);
    // Resets and closes the device; every header must have been unprepared.
    ~WinmmWaveDevice();
    WinmmWaveDevice(const WinmmWaveDevice&) = delete;
    WinmmWaveDevice& operator=(const WinmmWaveDevice&) = delete;

    MmResult Prepare(WAVEHDR& header);
    MmResult Unprepare(WAVEHDR& header);
    // waveInAddBuffer or waveOutWrite.
    MmResult Queue(WAVEHDR& header);
    // Input only.
    MmResult Start();
    MmResult Stop();
    // Every queued buffer comes back, marked done.
    MmResult Reset();
    // The device's own count of bytes played or recorded; nullopt when it cannot say in bytes.
    std::optional<std::uint64_t> BytePosition();

  private:
    WinmmWaveDevice(HWAVEIN in, HWAVEOUT out) : in_(in), out_(out) {}

    HWAVEIN in_ = nullptr;
    HWAVEOUT out_ = nullptr;
};

}  // namespace zav::platform::winmm
