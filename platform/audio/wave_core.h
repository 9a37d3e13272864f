#pragma once
// The host's wave-device rules, written once for every backend. The core keeps the handle
// tables (handles are never reused, so a stale one is recognised), the buffer headers' flag
// rules, the queue of buffers each device holds, the callbacks still to be made and their
// delivery (one at a time, in order, outside the lock, never after Close has returned), the
// refusal of wave calls made inside a callback, and Close's order: every callback still due,
// then the close notice, then the device goes.
//
// A backend supplies, per direction, its list of devices and, per open device, a pump: the
// small part that moves samples between the queued buffers and the device (see WavePump).
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
#include <string>
#include <string_view>
#include <thread>

#include "platform/audio/wave_caps.h"
#include "platform/audio/wave_format.h"
#include "platform/audio/wave_in.h"
#include "platform/audio/wave_message.h"
#include "platform/audio/wave_out.h"
#include "platform/audio/wave_result.h"

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

    // Input only: the device starts recording into the queued buffers, or stops. After Stop the
    // core returns the buffer being filled when it holds anything.
    virtual MmResult Start() { return MmResult::NotSupported; }
    virtual MmResult Stop() { return MmResult::NotSupported; }
    // The device drops what it holds and its position starts again at 0; the core then
    // returns every queued buffer.
    virtual void Reset() = 0;
    // Bytes recorded or played since open or the last reset.
    virtual std::uint64_t Position() = 0;
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
    // drives stream. Called with the core's mutex held; the pump may start threads that take
    // it. On failure pump stays empty.
    virtual MmResult OpenDevice(std::uint32_t deviceId, const PcmWaveFormat& format,
                                WaveStream& stream, std::unique_ptr<WavePump>& pump) = 0;
    // The text of a result (default: WaveResultText). Called without the core's mutex.
    virtual MmResult ErrorText(MmResult result, std::string& text);
};

class WaveCore;

// An open stream as its pump sees it: the buffers the device holds, oldest first.
// Every member is called with the core's mutex held.
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

  private:
    friend class WaveCore;
    struct Held {
        WaveHeader* header = nullptr;
        std::uint8_t* data = nullptr;  // as queued, to notice a header changed behind our back
        std::uint32_t length = 0;
    };
    using Notify =
        std::function<void(std::uint32_t handle, WaveMessage message, WaveHeader* header)>;

    WaveStream(WaveCore& core, WaveDirection direction, std::uint32_t handle,
               const PcmWaveFormat& format, Notify notify);
    bool Intact(const Held& held) const;
    void ReturnAll();

    WaveCore& core_;
    const WaveDirection direction_;
    const std::uint32_t handle_;
    const PcmWaveFormat format_;
    const Notify notify_;
    StreamState state_ = StreamState::Open;
    std::deque<Held> queue_;
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
    void DeliveryLoop(std::stop_token stop);

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
    std::condition_variable_any changed_;  // callbacks queued or made, streams closing
    StreamTable inputs_;
    StreamTable outputs_;
    std::uint32_t nextHandle_ = 1;  // never reused
    std::deque<Pending> pending_;
    std::optional<Running> running_;  // the callback being made, if any
    bool backgroundDelivery_ = false;

    std::unique_ptr<InFacade> waveIn_;
    std::unique_ptr<OutFacade> waveOut_;
    std::jthread deliveryThread_;  // last: stops before the rest goes
};

}  // namespace zav::platform
