#pragma once
// Wave input, shaped after the host's wave-input calls: count and describe the devices, open
// one with a function callback, hand it prepared buffers, start, stop, reset, close.
//
// Thread: every call may be made from any thread, but never from inside a wave callback (of
// any device): the host forbids it, and the simulated card fails the test when it happens.
// Calls on one handle are made by one thread at a time.
//
// Buffer rules: a WaveHeader and its data belong to the device from AddBuffer until the
// device returns it through the callback (flag kWaveHeaderDone set, kWaveHeaderInQueue clear);
// it must stay prepared and untouched, and its memory alive, until then. Reset returns every
// queued buffer. After Close has returned, the callback is not called again for that handle.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/audio/device_handle.h"
#include "platform/audio/wave_caps.h"
#include "platform/audio/wave_format.h"
#include "platform/audio/wave_message.h"
#include "platform/audio/wave_result.h"

namespace zav::platform {

// The function callback of an input device. header is the returned buffer for InData and
// null for InOpen and InClose.
// Called on: the device thread; must not call any wave function. Callbacks of one device
// come one at a time, in order. May run after the call that caused it (Stop, Reset) has
// returned, but never after Close has returned.
using WaveInCallback =
    std::function<void(WaveInHandle device, WaveMessage message, WaveHeader* header)>;

class WaveInApi {
  public:
    virtual ~WaveInApi() = default;

    // Number of input devices; ids run from 0 to the count - 1.
    virtual std::uint32_t GetNumDevs() = 0;
    // BadDeviceId for an id out of range.
    virtual MmResult GetDevCaps(std::uint32_t deviceId, WaveInCaps& caps) = 0;

    // Opens device deviceId, or with kWaveMapper the first device that takes the format.
    // On success handle is set; on failure it is the null handle. WaveBadFormat when no
    // device takes the format, Allocated when the device is busy.
    virtual MmResult Open(WaveInHandle& handle, std::uint32_t deviceId, const PcmWaveFormat& format,
                          WaveInCallback callback) = 0;

    // Sets kWaveHeaderPrepared. InvalParam for a header without data or length.
    virtual MmResult PrepareHeader(WaveInHandle handle, WaveHeader& header) = 0;
    // Clears kWaveHeaderPrepared; WaveStillPlaying while the buffer is queued.
    virtual MmResult UnprepareHeader(WaveInHandle handle, WaveHeader& header) = 0;
    // Queues a prepared buffer to be filled; WaveUnprepared when it is not prepared.
    virtual MmResult AddBuffer(WaveInHandle handle, WaveHeader& header) = 0;

    // Starts recording into the queued buffers. Starting a started device does nothing.
    virtual MmResult Start(WaveInHandle handle) = 0;
    // Stops recording; the buffer being filled is returned with what it holds, empty
    // buffers stay queued. The position is kept.
    virtual MmResult Stop(WaveInHandle handle) = 0;
    // Stops recording, returns every queued buffer, and sets the position to 0.
    virtual MmResult Reset(WaveInHandle handle) = 0;
    // Bytes recorded since open or the last reset.
    virtual MmResult GetPosition(WaveInHandle handle, std::uint32_t& bytes) = 0;

    // Closes the device; WaveStillPlaying while buffers are queued (the device stays open).
    virtual MmResult Close(WaveInHandle handle) = 0;

    // A description of a result; BadErrNum (text empty) for an unknown number.
    virtual MmResult GetErrorText(MmResult result, std::string& text) = 0;
};

}  // namespace zav::platform
