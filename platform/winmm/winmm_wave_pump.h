#pragma once
// The device side of one wave stream on WinMM: moves samples between the buffers the wave core
// holds for the stream and a small ring of the pump's own WAVEHDRs that the device fills or
// plays. The wave calls, the buffer rules and the callbacks are the core's
// (platform/audio/wave_core.h); the program's own headers never reach the device.
//
// Threads. The device's function callback only signals an event. Each pump has a device thread
// (StoppableThread) that waits for that event or a wake-up, then, with the core's mutex held,
// takes in the device buffers that came back and hands out new ones. Every call on the device
// is made with the core's mutex held, so the device is never used by two threads at once.
//
// Capture: the ring (eight buffers of about 20 ms) is queued from the open on; what comes back
// goes to the stream's capture cursor, and the device buffer is queued again.
//
// Playback: the stream's playback cursor is cut into device buffers of about 20 ms that are
// written in order; what a returned device buffer proves played, and the device's own count
// beyond it, is reported to the cursor, which hands a stream buffer back once its last byte has
// played, so the end-of-sound callback matches what is heard.
//
// A device that refuses its buffers (the sound system has gone) fails the stream: every buffer
// comes back through the callback and the calls that need the device answer NoDriver.

#include <windows.h>

#include <mmsystem.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/wave_core.h"
#include "platform/threads/stoppable_thread.h"
#include "platform/winmm/win_handles.h"
#include "platform/winmm/winmm_wave_device.h"

namespace zav::platform::winmm {

class WinmmWavePump final : public WavePump {
  public:
    // Opens the device for stream (kWaveMapper: the system's choice) and, on success, makes the
    // pump. Called with the core's mutex held.
    static MmResult Open(WaveStream& stream, std::uint32_t deviceId, const WAVEFORMATEX& format,
                         std::unique_ptr<WavePump>& pump);
    ~WinmmWavePump() override;
    WinmmWavePump(const WinmmWavePump&) = delete;
    WinmmWavePump& operator=(const WinmmWavePump&) = delete;

    // WavePump: with the core's mutex held, but Shutdown.
    MmResult Start() override;
    MmResult Stop() override;
    void Reset() override;
    void CatchUp() override;
    void Wake() override;
    void Shutdown() override;

  private:
    struct DeviceBuffer {
        WAVEHDR header{};
        std::vector<std::uint8_t> data;
        std::uint64_t end = 0;  // playback: the stream position after its last byte
    };

    WinmmWavePump(WaveStream& stream, std::unique_ptr<EventHandle> done,
                  std::unique_ptr<WinmmWaveDevice> device, std::uint32_t chunkBytes);
    // Capture: prepares and queues the whole ring. False when the device refuses.
    MmResult QueueRingLocked();
    void Run();
    bool Failed() const { return stream_.State() == StreamState::Failed; }

    // The transfer (winmm_wave_transfer.cpp). All with the core's mutex held.
    void TransferLocked();
    // Capture: takes in every device buffer that came back; deliver false drops its samples.
    void HarvestCaptureLocked(bool deliver);
    // Playback: takes in the played device buffers, then writes what the ring has room for.
    void HarvestPlayedLocked();
    void WritePlaybackLocked();
    // Playback, after a reset: every device buffer is idle again.
    void ForgetWrittenLocked();
    void FailLocked();

    WaveStream& stream_;
    std::mutex& mutex_;  // the core's
    const std::uint32_t frameBytes_;
    std::unique_ptr<EventHandle> done_;  // signalled by the device's callback; outlives device_
    EventHandle wake_;
    std::unique_ptr<WinmmWaveDevice> device_;
    std::vector<DeviceBuffer> ring_;    // never resized: the device holds pointers into it
    std::deque<std::size_t> inDevice_;  // ring indices, in the order the device returns them
    std::vector<std::size_t> idle_;     // playback: ring indices free to be written
    std::uint64_t positionBase_ = 0;    // playback: the device's count at the last reset
    StoppableThread thread_;            // last: starts once everything above exists
};

}  // namespace zav::platform::winmm
