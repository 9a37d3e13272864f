#pragma once
// The host's wave-device rules, written once for every backend. The core keeps the handle
// tables (handles are never reused, so a stale one is recognised), the buffer headers' flag
// rules, the queue of buffers each device holds, the callbacks still to be made and their
// delivery (one at a time, in order, outside the lock, never after Close has returned), the
// refusal of wave calls made inside a callback, and Close's order: every callback still due,
// then the close notice, then the device goes.
//
// The core also checks every format before a device sees it (IsWaveFormatUsable), and keeps,
// per stream, a capture cursor and a playback cursor (see WaveStream): whole frames only, a
// buffer handed back once less than a frame fits, and a played buffer handed back once the
// device has played its last byte.
//
// A backend supplies, per direction, its list of devices and, per open device, a pump: the
// small part that moves bytes between the cursors and the device and reports how far the
// device has played (see WavePump).
//
// Rule breaches (a wave call inside a callback, a call on a handle that is not open, a buffer
// queued unprepared or twice, a queued buffer unprepared or changed behind the device's back,
// a device left open) are answered with the host's result and also reported to the
// violation handler when one is set: the simulated card fails the test there, a program on
// the simulated card prints it and goes on, a real backend stays quiet.
//
// Locking: one mutex guards the core and every pump's device state. Wave calls take it; a
// backend's own threads take it (through mutex()) before they touch a stream. Callbacks run
// without it.
//
// Thread: the wave calls from any thread but from inside a callback (see wave_in.h,
// wave_out.h); the backend-side calls as each says.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>

#include "platform/audio/wave_caps.h"
#include "platform/audio/wave_format.h"
#include "platform/audio/wave_in.h"
#include "platform/audio/wave_message.h"
#include "platform/audio/wave_out.h"
#include "platform/audio/wave_result.h"
#include "platform/threads/stoppable_thread.h"

namespace zav::platform {

enum class WaveDirection : std::uint8_t { In, Out };

// The wave calls, for counting them and injecting failures. Queue is AddBuffer on input and
// Write on output; Start and Stop exist on input only.
enum class WaveCall : std::uint8_t {
    GetNumDevs,
    GetDevCaps,
    Open,
    PrepareHeader,
    UnprepareHeader,
    Queue,
    Start,
    Stop,
    Reset,
    GetPosition,
    Close,
    GetErrorText,
};
inline constexpr std::size_t kWaveCallCount = static_cast<std::size_t>(WaveCall::GetErrorText) + 1;

// The host's name of a call ("waveInAddBuffer"), for messages.
std::string_view WaveCallName(WaveDirection direction, WaveCall call);

// What a stream is doing.
enum class StreamState : std::uint8_t {
    Open,     // open; an input device is not recording
    Started,  // an input device records into its queued buffers
    Failed,   // the device stopped working: every buffer came back; only Reset and Close work
    Closing,  // Close has begun: every other call is refused
};

// The capabilities of one device, for either direction.
struct WaveDeviceCaps {
    std::uint16_t manufacturerId = 0;
    std::uint16_t productId = 0;
    std::uint32_t driverVersion = 0;
    std::string productName;
    std::uint32_t formats = 0;  // WaveFormatBit
    std::uint16_t channels = 0;
    std::uint32_t support = 0;  // output only: WaveCapsSupport
};

class WaveStream;

// The device side of one open stream. Every member but Shutdown is called with the core's
// mutex held, by the thread making the wave call.
class WavePump {
  public:
    virtual ~WavePump() = default;

    // Input only: the device starts recording into the queued buffers, or stops. Stop puts what
    // the device has recorded so far into the buffers; the core then returns the buffer being
    // filled when it holds anything.
    virtual MmResult Start() { return MmResult::NotSupported; }
    virtual MmResult Stop() { return MmResult::NotSupported; }
    // The device drops what it holds; the core then starts the stream's position again at 0
    // and returns every queued buffer.
    virtual void Reset() = 0;
    // GetPosition is about to answer from the stream's cursors: a pump that learns only when it
    // asks what the device has recorded or played reports it now (Capture..., Played).
    virtual void CatchUp() {}
    // The stream has news for the device: a buffer was queued, the stream started or closes.
    virtual void Wake() {}
    // The stream is closed and its last callback made: end the device's threads and release
    // the device. Called once, without the core's mutex.
    virtual void Shutdown() = 0;
};

// One direction's devices, as a backend offers them.
class WaveDevices {
  public:
    virtual ~WaveDevices() = default;

    // Called without the core's mutex.
    virtual std::uint32_t CountDevices() = 0;
    // BadDeviceId for a number beyond the list. Called without the core's mutex.
    virtual MmResult DeviceCaps(std::uint32_t deviceId, WaveDeviceCaps& caps) = 0;
    // Opens deviceId (kWaveMapper: the backend's choice) for format and makes the pump that
    // drives stream. format has passed IsWaveFormatUsable: the backend only says whether the
    // device takes it (WaveBadFormat when not). Called with the core's mutex held; the pump may
    // start threads that take it. On failure pump stays empty.
    virtual MmResult OpenDevice(std::uint32_t deviceId, const PcmWaveFormat& format,
                                WaveStream& stream, std::unique_ptr<WavePump>& pump) = 0;
    // The text of a result (default: WaveResultText). Called without the core's mutex.
    virtual MmResult ErrorText(MmResult result, std::string& text);
};

class WaveCore;

// An open stream as its pump sees it: the buffers the device holds, oldest first, and the
// cursors that move bytes between them and the device. Every member is called with the core's
// mutex held.
class WaveStream {
  public:
    WaveDirection Direction() const { return direction_; }
    std::uint32_t Handle() const { return handle_; }
    const PcmWaveFormat& Format() const { return format_; }
    StreamState State() const { return state_; }
    bool Recording() const { return state_ == StreamState::Started; }
    // The core's mutex, which guards the stream; a pump's own threads take it.
    std::mutex& Mutex() const;

    std::size_t QueuedCount() const { return queue_.size(); }
    // The index-th held buffer, or null beyond the queue. A buffer whose header was changed
    // while the device held it is reported and dropped first, without a callback.
    WaveHeader* Queued(std::size_t index);
    WaveHeader* Front() { return Queued(0); }
    // Hands the oldest buffer back, done, through the callback.
    void ReturnFront();
    // The device stopped working for good: every buffer comes back, and from now on the calls
    // that need the device answer NoDriver.
    void Fail();

    // ---- capture cursor (input) ----
    // The free room of the buffer being filled, in whole frames; a buffer with less than a
    // frame of room left is handed back first. Empty when no buffer is queued.
    std::span<std::uint8_t> CaptureRoom();
    // bytes (whole frames) were recorded at the start of CaptureRoom(): they join the position,
    // and the buffer comes back once less than a frame fits.
    void Captured(std::uint32_t bytes);
    // Copies recorded bytes into the buffers, whole frames only; what finds no buffer is lost,
    // as on the host. Returns the bytes that found one.
    std::size_t Capture(std::span<const std::uint8_t> bytes);

    // ---- playback cursor (output) ----
    // What is left to write of the oldest buffer not yet written whole, in whole frames (a
    // trailing part of a frame is never played). Empty when every buffer is written.
    std::span<const std::uint8_t> Unwritten();
    // bytes of Unwritten() went to the device.
    void Wrote(std::uint32_t bytes);
    // Bytes written since open or the last reset.
    std::uint64_t WrittenBytes() const { return written_; }
    // The device has played up to position (bytes since open or the last reset; a smaller
    // number than before is ignored, a larger one than written is cut to it): every buffer
    // whose last byte has played comes back.
    void Played(std::uint64_t position);

    // Bytes recorded (input) or played (output) since open or the last reset: what GetPosition
    // answers.
    std::uint64_t Position() const { return direction_ == WaveDirection::In ? captured_ : played_; }

  private:
    friend class WaveCore;
    struct Held {
        WaveHeader* header = nullptr;
        std::uint8_t* data = nullptr;  // as queued, to notice a header changed behind our back
        std::uint32_t length = 0;
        std::uint32_t writtenBytes = 0;  // output: bytes of it written so far
        bool writtenWhole = false;       // output: written up to its last whole frame
        std::uint64_t end = 0;           // output, once written whole: WrittenBytes() after it
    };
    using Notify =
        std::function<void(std::uint32_t handle, WaveMessage message, WaveHeader* header)>;

    WaveStream(WaveCore& core, WaveDirection direction, std::uint32_t handle,
               const PcmWaveFormat& format, Notify notify);
    bool Intact(const Held& held) const;
    void ReturnAll();
    // The held buffer being written, or null when every buffer is written whole.
    Held* Writing();
    // The cursors start again: nothing recorded, written or played.
    void RestartCursors();

    WaveCore& core_;
    const WaveDirection direction_;
    const std::uint32_t handle_;
    const PcmWaveFormat format_;
    const Notify notify_;
    StreamState state_ = StreamState::Open;
    std::deque<Held> queue_;
    std::uint64_t captured_ = 0;  // input: bytes recorded since open or reset
    std::uint64_t written_ = 0;   // output: bytes written since open or reset
    std::uint64_t played_ = 0;    // output: bytes played since open or reset
    std::unique_ptr<WavePump> pump_;
};

struct WaveCoreOptions {
    // Called with every breach of the host's rules, on the thread that broke it, with the
    // core's mutex held; must not call back into the core. None: breaches only give results.
    std::function<void(std::string_view message)> onViolation;
    // Counts each wave call and may fail it: NoError lets the call go on, anything else is
    // its result. Called with the core's mutex held.
    std::function<MmResult(WaveDirection direction, WaveCall call)> onCall;
};

class WaveCore {
  public:
    // Both device lists must outlive the core.
    WaveCore(WaveDevices& inputs, WaveDevices& outputs, WaveCoreOptions options = {});
    // Reports the streams still open and ends them without further callbacks.
    ~WaveCore();
    WaveCore(const WaveCore&) = delete;
    WaveCore& operator=(const WaveCore&) = delete;

    WaveInApi& WaveIn();
    WaveOutApi& WaveOut();

    // The lock that guards the core and the pumps' device state. Thread: any.
    std::mutex& Mutex() const { return mutex_; }

    // Who makes the callbacks. By default the thread that asks for it (DeliverPending, and
    // Close for the callbacks of its own handle): a manual clock's thread. A backend with a
    // thread of its own calls DeliverPending from it and says so here, or lets the core run a
    // delivery thread. Thread: any, mutex not held.
    void SetBackgroundDelivery(bool background);
    void StartDeliveryThread();
    // Makes every callback that is due, one at a time, in order, releasing the lock around
    // each. Needs the mutex held through lock.
    void DeliverPending(std::unique_lock<std::mutex>& lock);
    // Wakes a thread waiting in WaitForWork (or the delivery thread). Mutex held.
    void NotifyChanged() { changed_.notify_all(); }
    // Waits (mutex held through lock) until a callback is due, NotifyChanged, or the time.
    void WaitForWork(std::unique_lock<std::mutex>& lock, std::chrono::milliseconds atMost);
    bool HasPendingCallbacks() const { return !pending_.empty(); }  // mutex held

    // The rule-breach and call hooks. Thread: any, mutex not held.
    void SetViolationHandler(std::function<void(std::string_view message)> handler);
    void SetCallHook(std::function<MmResult(WaveDirection direction, WaveCall call)> hook);
    // Reports a breach that a backend noticed itself (a hold left open ...). Mutex held.
    void Violation(std::string message);

    // Inspection. Mutex held.
    std::size_t OpenStreamCount(WaveDirection direction) const;

  private:
    friend class WaveStream;
    struct Pending {
        std::uint32_t handle = 0;
        WaveDirection direction = WaveDirection::In;
        WaveStream::Notify notify;
        WaveMessage message = WaveMessage::InData;
        WaveHeader* header = nullptr;
    };
    struct Running {
        std::uint32_t handle = 0;
        WaveDirection direction = WaveDirection::In;
    };
    using StreamTable = std::map<std::uint32_t, std::unique_ptr<WaveStream>>;

    StreamTable& Table(WaveDirection direction) {
        return direction == WaveDirection::In ? inputs_ : outputs_;
    }
    const StreamTable& Table(WaveDirection direction) const {
        return direction == WaveDirection::In ? inputs_ : outputs_;
    }
    WaveDevices& Devices(WaveDirection direction) {
        return direction == WaveDirection::In ? inputDevices_ : outputDevices_;
    }

    // The checks every call begins with: not from inside a callback, counted, maybe failed.
    MmResult EnterCall(WaveDirection direction, WaveCall call);
    // EnterCall, then the stream of a handle that is open and not closing.
    MmResult EnterStreamCall(WaveDirection direction, WaveCall call, std::uint32_t handle,
                             WaveStream*& stream);
    void Notify(WaveStream& stream, WaveMessage message, WaveHeader* header);
    bool HandleQuiet(WaveDirection direction, std::uint32_t handle) const;
    void DrainHandle(std::unique_lock<std::mutex>& lock, WaveDirection direction,
                     std::uint32_t handle);
    void DeliveryLoop();

    // The calls, for either direction.
    std::uint32_t GetNumDevs(WaveDirection direction);
    MmResult GetDevCaps(WaveDirection direction, std::uint32_t deviceId, WaveDeviceCaps& caps);
    MmResult Open(WaveDirection direction, std::uint32_t& handle, std::uint32_t deviceId,
                  const PcmWaveFormat& format, WaveStream::Notify notify);
    MmResult Prepare(WaveDirection direction, std::uint32_t handle, WaveHeader& header);
    MmResult Unprepare(WaveDirection direction, std::uint32_t handle, WaveHeader& header);
    MmResult Queue(WaveDirection direction, std::uint32_t handle, WaveHeader& header);
    MmResult Start(std::uint32_t handle);
    MmResult Stop(std::uint32_t handle);
    MmResult Reset(WaveDirection direction, std::uint32_t handle);
    MmResult GetPosition(WaveDirection direction, std::uint32_t handle, std::uint32_t& bytes);
    MmResult Close(WaveDirection direction, std::uint32_t handle);
    MmResult GetErrorText(WaveDirection direction, MmResult result, std::string& text);

    class InFacade;
    class OutFacade;

    WaveDevices& inputDevices_;
    WaveDevices& outputDevices_;
    WaveCoreOptions options_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;  // callbacks queued or made, streams closing
    StreamTable inputs_;
    StreamTable outputs_;
    std::uint32_t nextHandle_ = 1;  // never reused
    std::deque<Pending> pending_;
    std::optional<Running> running_;  // the callback being made, if any
    bool backgroundDelivery_ = false;

    std::unique_ptr<InFacade> waveIn_;
    std::unique_ptr<OutFacade> waveOut_;
    StoppableThread deliveryThread_;  // last: stops before the rest goes
};

}  // namespace zav::platform
