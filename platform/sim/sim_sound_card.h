#pragma once
// A simulated sound card: wave input and output devices and the output-device hold, driven by
// a clock that a test advances by hand (AdvanceBy), or by real time on the card's own thread
// (StartThreads). The microphone hears a MicSignal; the output devices keep what they played.
//
// The card checks the host's rules and reports every breach to the rule-violation handler
// (tests install one that fails the test): a wave call from inside a device callback, a call
// on a handle that is not open, adding or writing a buffer that is not prepared or is already
// queued, unpreparing a queued buffer, changing a queued buffer's header (or freeing it) while
// the device holds it, and devices or holds still open when the card goes away.
//
// Callbacks: filled or played buffers are returned as time passes; buffers returned by Stop
// and Reset, and the open notice, are returned asynchronously, one at a time and in order, on
// the device thread: in manual mode that is the thread calling AdvanceBy or DeliverCallbacks,
// in threaded mode the card's own thread. Close delivers (or waits for) every callback still
// due for its handle, then the close notice, before it returns; a callback that waits for the
// thread calling Close therefore deadlocks, as it would on the host.
//
// Thread: the wave calls from any thread (see wave_in.h and wave_out.h); the test-side calls
// (configuration, clock, inspection) from the test's thread.

#include <atomic>
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
#include <thread>
#include <vector>

#include "platform/audio/audio_system.h"
#include "platform/sim/mic_signal.h"
#include "platform/sim/rule_violation.h"
#include "platform/sim/sim_call.h"

namespace zav::platform::sim {

WaveInCaps DefaultSimInputCaps();
WaveOutCaps DefaultSimOutputCaps();

struct SimCardConfig {
    std::vector<WaveInCaps> inputs{DefaultSimInputCaps()};
    std::vector<WaveOutCaps> outputs{DefaultSimOutputCaps()};
    // When false, input and output cannot be open at the same time: opening one while the
    // other (or an output hold) is open fails with Allocated.
    bool fullDuplex = true;
    MicSignal mic = SilentMic();
};

class SimSoundCard final : public AudioSystem {
  public:
    explicit SimSoundCard(SimCardConfig config = {});
    ~SimSoundCard() override;
    SimSoundCard(const SimSoundCard&) = delete;
    SimSoundCard& operator=(const SimSoundCard&) = delete;

    WaveInApi& waveIn() override { return waveIn_; }
    WaveOutApi& waveOut() override { return waveOut_; }
    MmResult CreateOutputHold(std::unique_ptr<OutputDeviceHold>& hold) override;

    // Manual mode: lets the given time pass, filling and playing buffers, and delivers the
    // callbacks that are due, on the calling thread.
    void AdvanceBy(std::uint32_t milliseconds);
    // Delivers the callbacks that are due without letting time pass.
    void DeliverCallbacks() { AdvanceBy(0); }
    std::uint64_t elapsedMicroseconds() const;

    // Threaded mode: the card's own thread lets real time pass every period and delivers the
    // callbacks. AdvanceBy is not allowed meanwhile.
    void StartThreads(std::chrono::milliseconds period = std::chrono::milliseconds(5));
    void StopThreads();

    // The call after the next afterCalls calls of this kind fails with result, and so on
    // until times calls have failed (SimFailures::kEveryTime: for ever).
    void FailCall(SimCall call, MmResult result, std::uint32_t afterCalls = 0,
                  std::uint32_t times = 1);
    void ClearFailures();
    void SetViolationHandler(RuleViolationHandler handler);
    void SetMicSignal(MicSignal signal);

    // Inspection.
    std::uint32_t CallCount(SimCall call) const;
    std::size_t violationCount() const;
    std::size_t openInputCount() const;
    std::size_t openOutputCount() const;
    std::size_t holdCount() const;
    // The formats of the open input devices, in the order they were opened.
    std::vector<PcmWaveFormat> OpenInputFormats() const;
    // Buffers queued on all open input devices.
    std::size_t queuedInputBuffers() const;
    // Frames the input devices could not record because no buffer was queued.
    std::uint64_t inputOverrunFrames() const;
    // Every byte output device deviceId has played since the card was made, in order.
    std::vector<std::uint8_t> PlayedBytes(std::uint32_t deviceId) const;

  private:
    // A buffer as it was when queued, to notice a header changed behind the device's back.
    struct QueuedBuffer {
        WaveHeader* header = nullptr;
        std::uint8_t* data = nullptr;
        std::uint32_t length = 0;
    };

    enum class Direction { In, Out };

    // The calls of one direction, as counted and named for failures and rule breaches.
    struct WaveCalls {
        SimCall getNumDevs;
        SimCall getDevCaps;
        SimCall open;
        SimCall prepare;
        SimCall unprepare;
        SimCall queue;  // AddBuffer or Write
        SimCall getPosition;
        SimCall reset;
        SimCall close;
        SimCall getErrorText;
    };

    // What an open device of either direction holds. Each direction's record adds its handle,
    // callback and caps types, its messages and calls, and hooks for what differs: Queued (a
    // buffer was added), Returned (the first buffer went back) and Rewind (the device was reset).
    struct StreamRecord {
        std::uint32_t deviceId = 0;
        PcmWaveFormat format;
        std::deque<QueuedBuffer> queue;
        std::uint64_t position = 0;  // bytes recorded or played since open or reset
    };

    struct InputStream : StreamRecord {
        using Handle = WaveInHandle;
        using Callback = WaveInCallback;
        using Caps = WaveInCaps;
        static constexpr Direction kDirection = Direction::In;
        static constexpr WaveMessage kOpenMessage = WaveMessage::InOpen;
        static constexpr WaveMessage kDataMessage = WaveMessage::InData;
        static constexpr WaveMessage kCloseMessage = WaveMessage::InClose;
        static constexpr const char* kName = "wave input";
        static constexpr const char* kHeaderChanged =
            "a queued input buffer's header was changed while the device held it";
        static constexpr WaveCalls kCalls{
            SimCall::WaveInGetNumDevs,    SimCall::WaveInGetDevCaps,      SimCall::WaveInOpen,
            SimCall::WaveInPrepareHeader, SimCall::WaveInUnprepareHeader, SimCall::WaveInAddBuffer,
            SimCall::WaveInGetPosition,   SimCall::WaveInReset,           SimCall::WaveInClose,
            SimCall::WaveInGetErrorText};

        Callback callback;
        bool running = false;
        std::uint64_t runMicros = 0;    // time run since open or reset
        std::uint64_t framesDue = 0;    // frames that time has brought since open or reset
        std::uint64_t signalFrame = 0;  // the microphone's frame counter, since open

        void Queued(WaveHeader& header) { header.bytesRecorded = 0; }
        void Returned() {}
        void Rewind() {
            running = false;
            runMicros = 0;
            framesDue = 0;
        }
    };

    struct OutputStream : StreamRecord {
        using Handle = WaveOutHandle;
        using Callback = WaveOutCallback;
        using Caps = WaveOutCaps;
        static constexpr Direction kDirection = Direction::Out;
        static constexpr WaveMessage kOpenMessage = WaveMessage::OutOpen;
        static constexpr WaveMessage kDataMessage = WaveMessage::OutDone;
        static constexpr WaveMessage kCloseMessage = WaveMessage::OutClose;
        static constexpr const char* kName = "wave output";
        static constexpr const char* kHeaderChanged =
            "a written output buffer's header was changed while the device held it";
        static constexpr WaveCalls kCalls{
            SimCall::WaveOutGetNumDevs,    SimCall::WaveOutGetDevCaps,      SimCall::WaveOutOpen,
            SimCall::WaveOutPrepareHeader, SimCall::WaveOutUnprepareHeader, SimCall::WaveOutWrite,
            SimCall::WaveOutGetPosition,   SimCall::WaveOutReset,           SimCall::WaveOutClose,
            SimCall::WaveOutGetErrorText};

        Callback callback;
        std::uint32_t headOffset = 0;   // bytes of the first queued buffer already played
        std::uint64_t playMicros = 0;   // time played since the queue last ran dry
        std::uint64_t playedInRun = 0;  // bytes played in that time

        void Queued(WaveHeader&) {}
        void Returned() { headOffset = 0; }
        void Rewind() {
            headOffset = 0;
            playMicros = 0;
            playedInRun = 0;
        }
    };

    // The calls both directions' interfaces share; each forwards to the card's template for
    // its stream record.
    template <typename Api, typename Stream>
    class SimWave : public Api {
      public:
        explicit SimWave(SimSoundCard& card) : card_(card) {}
        std::uint32_t GetNumDevs() final;
        MmResult GetDevCaps(std::uint32_t deviceId, typename Stream::Caps& caps) final;
        MmResult Open(typename Stream::Handle& handle, std::uint32_t deviceId,
                      const PcmWaveFormat& format, typename Stream::Callback callback) final;
        MmResult PrepareHeader(typename Stream::Handle handle, WaveHeader& header) final;
        MmResult UnprepareHeader(typename Stream::Handle handle, WaveHeader& header) final;
        MmResult Reset(typename Stream::Handle handle) final;
        MmResult GetPosition(typename Stream::Handle handle, std::uint32_t& bytes) final;
        MmResult Close(typename Stream::Handle handle) final;
        MmResult GetErrorText(MmResult result, std::string& text) final;

      protected:
        SimSoundCard& card_;
    };

    class SimWaveIn final : public SimWave<WaveInApi, InputStream> {
      public:
        using SimWave::SimWave;
        MmResult AddBuffer(WaveInHandle handle, WaveHeader& header) override;
        MmResult Start(WaveInHandle handle) override;
        MmResult Stop(WaveInHandle handle) override;
    };

    class SimWaveOut final : public SimWave<WaveOutApi, OutputStream> {
      public:
        using SimWave::SimWave;
        MmResult Write(WaveOutHandle handle, WaveHeader& header) override;
    };

    class SimOutputHold;

    // One callback still to be made.
    struct PendingCallback {
        Direction direction = Direction::In;
        std::uint32_t handle = 0;
        std::function<void()> invoke;
    };

    template <typename Stream>
    std::map<std::uint32_t, Stream>& Streams() {
        if constexpr (Stream::kDirection == Direction::In)
            return inputs_;
        else
            return outputs_;
    }
    template <typename Stream>
    const std::vector<typename Stream::Caps>& Devices() const {
        if constexpr (Stream::kDirection == Direction::In)
            return config_.inputs;
        else
            return config_.outputs;
    }

    // Entry checks shared by every wave call: not from a callback, counted, the injected
    // failure if any. Called with mutex_ held.
    MmResult EnterCall(SimCall call);
    // The open stream, or null after reporting the call on a handle that is not open.
    template <typename Stream>
    Stream* FindStream(SimCall call, typename Stream::Handle handle);
    // EnterCall, then FindStream: NoError with stream set, or the result to give.
    template <typename Stream>
    MmResult EnterStreamCall(SimCall call, typename Stream::Handle handle, Stream*& stream);
    void Violation(std::string message);
    bool Intact(const QueuedBuffer& buffer) const;
    bool DuplexBlocked(Direction opening) const;

    void AdvanceLocked(std::uint64_t micros);
    void RecordInto(std::uint32_t handle, InputStream& stream, std::uint64_t frames);
    void PlayFrom(std::uint32_t handle, OutputStream& stream, std::uint64_t micros);
    // Hands the first queued buffer back, done, through the callback.
    template <typename Stream>
    void ReturnBuffer(std::uint32_t handle, Stream& stream);
    void Notify(Direction direction, std::uint32_t handle, std::function<void()> invoke);

    // Delivers pending callbacks on this thread until none is left. Needs lock held; releases
    // it around each callback.
    void DeliverLocked(std::unique_lock<std::mutex>& lock);
    // Returns once no callback for the handle is pending or running; delivers them itself in
    // manual mode.
    void DrainHandleLocked(std::unique_lock<std::mutex>& lock, Direction direction,
                           std::uint32_t handle);
    bool HandleQuiet(Direction direction, std::uint32_t handle) const;
    void ThreadLoop(std::stop_token stop, std::chrono::milliseconds period);

    // The wave calls both directions share, called through SimWaveIn and SimWaveOut.
    template <typename Stream>
    std::uint32_t WaveDeviceCount();
    template <typename Stream>
    MmResult WaveGetDevCaps(std::uint32_t deviceId, typename Stream::Caps& caps);
    template <typename Stream>
    MmResult WaveOpen(typename Stream::Handle& handle, std::uint32_t deviceId,
                      const PcmWaveFormat& format, typename Stream::Callback callback);
    template <typename Stream>
    MmResult WavePrepare(typename Stream::Handle handle, WaveHeader& header);
    template <typename Stream>
    MmResult WaveUnprepare(typename Stream::Handle handle, WaveHeader& header);
    template <typename Stream>
    MmResult WaveQueue(typename Stream::Handle handle, WaveHeader& header);
    template <typename Stream>
    MmResult WaveGetPosition(typename Stream::Handle handle, std::uint32_t& bytes);
    template <typename Stream>
    MmResult WaveReset(typename Stream::Handle handle);
    template <typename Stream>
    MmResult WaveClose(typename Stream::Handle handle);
    template <typename Stream>
    void ReportLeftOpen();

    // Wave input only, called through SimWaveIn.
    MmResult InStart(WaveInHandle handle);
    MmResult InStop(WaveInHandle handle);

    MmResult ErrorText(SimCall call, MmResult result, std::string& text);
    MmResult HoldSetCooperativeLevel();
    void ReleaseHold();

    const SimCardConfig config_;
    SimWaveIn waveIn_{*this};
    SimWaveOut waveOut_{*this};

    mutable std::mutex mutex_;
    std::condition_variable_any changed_;  // callbacks queued or delivered, threads stopping
    MicSignal mic_;
    RuleViolationHandler onViolation_ = AbortOnRuleViolation;
    SimFailures failures_;
    std::size_t violations_ = 0;
    std::uint64_t nowMicros_ = 0;
    std::uint32_t nextHandle_ = 1;  // handles are never reused, so a stale one is noticed
    std::map<std::uint32_t, InputStream> inputs_;
    std::map<std::uint32_t, OutputStream> outputs_;
    std::size_t holds_ = 0;
    std::uint64_t overrunFrames_ = 0;
    std::vector<std::vector<std::uint8_t>> played_;
    std::deque<PendingCallback> pending_;
    struct RunningCallback {
        Direction direction = Direction::In;
        std::uint32_t handle = 0;
    };
    std::optional<RunningCallback> running_;  // the callback being made, if any
    bool threaded_ = false;
    std::jthread thread_;
};

}  // namespace zav::platform::sim
