#pragma once
// The device side of one wave stream on an ALSA PCM: moves samples between the buffers the
// wave core holds for the stream and the device. The wave calls, the buffer rules and the
// callbacks are the core's (platform/audio/wave_core.h).
//
// Threads. Each pump has a device thread (StoppableThread) that, while the stream needs the
// device, moves samples and waits in poll() for the device or a wake-up. Every ALSA call on
// the PCM is made with the core's mutex held, so the device is never used by two threads at
// once; only poll() runs without it.
//
// The stream's cursors keep the buffers and positions (wave_core.h); the pump reads into the
// capture cursor and writes from the playback cursor, and reports as played what was written
// minus the delay the device reports, so that a played buffer comes back, and the end-of-sound
// callback is made, once the device has played its last byte.
//
// A device that fails and cannot be recovered (the sound server stops, a USB device is pulled:
// -EIO, -ENODEV, or -EPIPE whose recovery fails) fails the stream: every buffer comes back
// through the callback and the calls that need the device answer NoDriver from then on.

#include <poll.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/alsa/alsa_error.h"
#include "platform/alsa/alsa_handles.h"
#include "platform/alsa/alsa_pcm_format.h"
#include "platform/alsa/wake_event.h"
#include "platform/audio/wave_core.h"
#include "platform/threads/stoppable_thread.h"

namespace zav::platform::alsa {

enum class PcmDirection { Capture, Playback };

class AlsaPcmPump final : public WavePump {
  public:
    // pcm is configured and prepared (ConfigurePcm). Made with the core's mutex held.
    AlsaPcmPump(WaveStream& stream, PcmPtr pcm, const PcmSettings& settings,
                const PcmGeometry& geometry, AlsaErrorLog& errors);
    ~AlsaPcmPump() override;
    AlsaPcmPump(const AlsaPcmPump&) = delete;
    AlsaPcmPump& operator=(const AlsaPcmPump&) = delete;

    // WavePump: with the core's mutex held, but Shutdown.
    MmResult Start() override;
    MmResult Stop() override;
    void Reset() override;
    void CatchUp() override;
    void Wake() override;
    void Shutdown() override;

  private:
    // How a transfer loop goes on after a call to the device.
    enum class DeviceStep {
        Proceed,  // the call succeeded: use its result
        Retry,    // the device was recovered: try again
        Stop,     // nothing more to do now, or the device has failed
    };

    void Run();
    bool Failed() const { return stream_.State() == StreamState::Failed; }
    bool WantsDeviceLocked() const;
    void WaitForDeviceLocked(std::unique_lock<std::mutex>& lock);

    // The transfer (alsa_pcm_transfer.cpp). All with the core's mutex held.
    void TransferLocked();
    void CaptureLocked();
    void PlaybackLocked();
    // Tries to bring the device back after error; false when it failed for good.
    bool RecoverLocked(int error, const char* operation);
    // What the device can take or give now, in avail; recovers from an error.
    DeviceStep AvailableLocked(snd_pcm_sframes_t& avail);
    // Looks at what a read or write (operation) gave; recovers from an error.
    DeviceStep TransferredLocked(snd_pcm_sframes_t result, const char* operation);
    void FailLocked(int error, const char* operation);
    // Playback: tells the stream how far the device has played (written minus its delay).
    void ReportPlayedLocked();
    // Drops what the device holds and prepares it for a new start.
    bool RestartDeviceLocked(const char* operation);

    WaveStream& stream_;
    std::mutex& mutex_;  // the core's
    const PcmDirection direction_;
    const PcmSettings settings_;
    const PcmGeometry geometry_;
    AlsaErrorLog& errors_;

    std::condition_variable changed_;
    WakeEvent wake_;
    PcmPtr pcm_;
    std::vector<std::uint8_t> scratch_;  // capture: where samples go while no buffer waits
    int recoveries_ = 0;                 // recoveries since the last successful transfer
    std::vector<pollfd> pollFds_;        // the device thread's
    StoppableThread thread_;             // last: starts once everything above exists
};

}  // namespace zav::platform::alsa
