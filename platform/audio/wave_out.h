#pragma once
// Wave output, shaped after the host's wave-output calls: count and describe the devices,
// open one with a function callback, write prepared buffers, read the position, reset, close.
//
// Thread: every call may be made from any thread, but never from inside a wave callback (of
// any device). Calls on one handle are made by one thread at a time.
//
// Buffer rules: a written WaveHeader and its data belong to the device until it returns the
// buffer through the callback (OutDone); it must stay prepared and alive until then. Reset
// returns every written buffer. After Close has returned, the callback is not called again.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/audio/device_handle.h"
#include "platform/audio/wave_caps.h"
#include "platform/audio/wave_format.h"
#include "platform/audio/wave_message.h"
#include "platform/audio/wave_result.h"

namespace zav::platform {

// The function callback of an output device. header is the played buffer for OutDone and
// null for OutOpen and OutClose.
// Called on: the device thread; must not call any wave function. Callbacks of one device
// come one at a time, in order. May run after the Reset that caused it has returned, but
// never after Close has returned.
using WaveOutCallback =
    std::function<void(WaveOutHandle device, WaveMessage message, WaveHeader* header)>;

class WaveOutApi {
  public:
    virtual ~WaveOutApi() = default;

    virtual std::uint32_t GetNumDevs() = 0;
    virtual MmResult GetDevCaps(std::uint32_t deviceId, WaveOutCaps& caps) = 0;

    // Opens device deviceId, or with kWaveMapper the first device that takes the format.
    virtual MmResult Open(WaveOutHandle& handle, std::uint32_t deviceId,
                          const PcmWaveFormat& format, WaveOutCallback callback) = 0;

    virtual MmResult PrepareHeader(WaveOutHandle handle, WaveHeader& header) = 0;
    // WaveStillPlaying while the buffer is queued.
    virtual MmResult UnprepareHeader(WaveOutHandle handle, WaveHeader& header) = 0;
    // Queues a prepared buffer for playing; playing begins at once.
    virtual MmResult Write(WaveOutHandle handle, WaveHeader& header) = 0;

    // Bytes played since open or the last reset.
    virtual MmResult GetPosition(WaveOutHandle handle, std::uint32_t& bytes) = 0;
    // Stops playing, returns every written buffer, and sets the position to 0.
    virtual MmResult Reset(WaveOutHandle handle) = 0;
    // WaveStillPlaying while buffers are queued (the device stays open).
    virtual MmResult Close(WaveOutHandle handle) = 0;

    virtual MmResult GetErrorText(MmResult result, std::string& text) = 0;
};

}  // namespace zav::platform
