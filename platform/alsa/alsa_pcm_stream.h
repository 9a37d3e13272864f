#pragma once
// One open wave device on an ALSA PCM: the buffers the program hands it, the transfer between
// them and the device, and the callbacks.
//
// Threads. Each stream has its own device thread (std::jthread). While the stream runs it
// moves samples between the queued buffers and the device, and it makes every callback, one at
// a time, in order, without holding the stream's lock. The wave calls come from the program's
// threads; they take the lock, may call ALSA themselves (start, drop, prepare, delay) and wake
// the device thread. Every ALSA call on the PCM is made with the lock held, so the device is
// never used by two threads at once; only the device thread's poll() runs without it.
//
// Positions are counted in bytes since open or the last reset: for capture, what the device
// has put into buffers; for playback, what the device has played (written minus the delay the
// device reports). A played buffer comes back (OutDone) once the device has played its last
// byte, so the end-of-sound callback matches what is heard.
//
// A device that fails and cannot be recovered (the sound server stops, a USB device is pulled:
// -EIO, -ENODEV, or -EPIPE whose recovery fails) ends the stream: every buffer comes back
// through the callback, the calls that need the device answer NoDriver from then on, and
// Reset and Close still work, so the program can close it as usual.

#include <poll.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/alsa/alsa_error.h"
#include "platform/alsa/alsa_handles.h"
#include "platform/alsa/alsa_pcm_format.h"
#include "platform/alsa/wake_event.h"
#include "platform/audio/wave_format.h"
#include "platform/audio/wave_message.h"

namespace zav::platform::alsa {

enum class PcmDirection { Capture, Playback };

class AlsaPcmStream {
  public:
    // Receives the stream's notices: open, each returned buffer, close. header is null for
    // open and close.
    // Called on: the device thread; must not call any wave function.
    using Notify = std::function<void(WaveMessage message, WaveHeader* header)>;

    // pcm is configured and prepared (ConfigurePcm). The open notice is the first callback.
    AlsaPcmStream(PcmDirection direction, PcmPtr pcm, const PcmSettings& settings,
                  const PcmGeometry& geometry, Notify notify, AlsaErrorLog& errors);
    // For a stream that was not closed: stops the device thread without any further callback
    // and closes the device. Buffers still queued are abandoned, untouched.
    ~AlsaPcmStream();
    AlsaPcmStream(const AlsaPcmStream&) = delete;
    AlsaPcmStream& operator=(const AlsaPcmStream&) = delete;

    // Thread: any but a device thread (see InCallback); one thread at a time per stream.
    MmResult Prepare(WaveHeader& header);
    // WaveStillPlaying while the device holds the buffer.
    MmResult Unprepare(WaveHeader& header);
    // AddBuffer for capture, Write for playback: playing starts at once.
    MmResult Queue(WaveHeader& header);
    // Capture: start and stop recording. Stop returns the buffer being filled with what it
    // holds; the empty ones stay queued.
    MmResult Start();
    MmResult Stop();
    // Stops, returns every buffer and sets the position to 0.
    MmResult Reset();
    MmResult Position(std::uint32_t& bytes);
    // WaveStillPlaying while buffers are queued (the stream stays open). Otherwise delivers
    // every callback still due, then the close notice, ends the device thread and closes the
    // device; no callback comes after it returns.
    MmResult Close();

    // True while the calling thread runs a callback of any stream: wave calls made there are
    // refused instead of deadlocking.
    static bool InCallback();

  private:
    struct Notice {
        WaveMessage message = WaveMessage::InData;
        WaveHeader* header = nullptr;
    };
    // A playback buffer handed whole to the device, waiting to be heard.
    struct Written {
        WaveHeader* header = nullptr;
        std::uint64_t end = 0;  // the position just past its last byte
    };

    // How a transfer loop goes on after a call to the device.
    enum class DeviceStep {
        Proceed,  // the call succeeded: use its result
        Retry,    // the device was recovered: try again
        Stop,     // nothing more to do now, or the device has failed
    };

    void Run(std::stop_token stop);
    // InvalHandle once closed, NoDriver once failed; mutex_ held.
    MmResult UsableLocked() const;
    // UsableLocked, and NotSupported on a playback stream.
    MmResult CaptureUsableLocked() const;
    void DeliverOne(std::unique_lock<std::mutex>& lock);
    bool WantsDeviceLocked() const;
    void WaitForDeviceLocked(std::unique_lock<std::mutex>& lock);
    void WakeLocked();

    // The device thread's work while running (alsa_pcm_transfer.cpp). All with mutex_ held.
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
    // Playback: the position the device has played up to, never moving back.
    std::uint64_t PlayedLocked();
    void CompletePlayedLocked();
    void FinishWritingFrontLocked();
    void ReturnLocked(WaveHeader* header);
    void ReturnWrittenFrontLocked();
    // Marks header done and queues its callback.
    void NotifyDoneLocked(WaveHeader* header);
    void ReturnAllLocked();
    // Drops what the device holds and prepares it for a new start.
    bool RestartDeviceLocked(const char* operation);

    const PcmDirection direction_;
    const PcmSettings settings_;
    const PcmGeometry geometry_;
    const Notify notify_;
    AlsaErrorLog& errors_;
    const WaveMessage openNotice_;
    const WaveMessage dataNotice_;
    const WaveMessage closeNotice_;

    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    WakeEvent wake_;
    PcmPtr pcm_;
    std::deque<WaveHeader*> queue_;      // capture: to be filled; playback: to be written
    std::uint32_t headOffset_ = 0;       // playback: bytes of the first queued buffer written
    std::deque<Written> written_;        // playback: written, not yet heard
    std::deque<Notice> notices_;         // callbacks still to be made
    std::vector<std::uint8_t> scratch_;  // capture: where samples go while no buffer waits
    std::uint64_t position_ = 0;         // capture: recorded; playback: written
    std::uint64_t played_ = 0;           // playback
    int recoveries_ = 0;                 // recoveries since the last successful transfer
    bool running_ = false;               // capture: started
    bool failed_ = false;
    bool closing_ = false;
    bool closed_ = false;
    std::vector<pollfd> pollFds_;  // the device thread's
    std::jthread thread_;          // last: starts once everything above exists
};

}  // namespace zav::platform::alsa
