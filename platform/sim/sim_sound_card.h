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
    class SimWaveIn final : public WaveInApi {
      public:
        explicit SimWaveIn(SimSoundCard& card) : card_(card) {}
        std::uint32_t GetNumDevs() override;
        MmResult GetDevCaps(std::uint32_t deviceId, WaveInCaps& caps) override;
        MmResult Open(WaveInHandle& handle, std::uint32_t deviceId, const PcmWaveFormat& format,
                      WaveInCallback callback) override;
        MmResult PrepareHeader(WaveInHandle handle, WaveHeader& header) override;
        MmResult UnprepareHeader(WaveInHandle handle, WaveHeader& header) override;
        MmResult AddBuffer(WaveInHandle handle, WaveHeader& header) override;
        MmResult Start(WaveInHandle handle) override;
        MmResult Stop(WaveInHandle handle) override;
        MmResult Reset(WaveInHandle handle) override;
        MmResult GetPosition(WaveInHandle handle, std::uint32_t& bytes) override;
        MmResult Close(WaveInHandle handle) override;
        MmResult GetErrorText(MmResult result, std::string& text) override;

      private:
        SimSoundCard& card_;
    };

    class SimWaveOut final : public WaveOutApi {
      public:
        explicit SimWaveOut(SimSoundCard& card) : card_(card) {}
        std::uint32_t GetNumDevs() override;
        MmResult GetDevCaps(std::uint32_t deviceId, WaveOutCaps& caps) override;
        MmResult Open(WaveOutHandle& handle, std::uint32_t deviceId, const PcmWaveFormat& format,
                      WaveOutCallback callback) override;
        MmResult PrepareHeader(WaveOutHandle handle, WaveHeader& header) override;
        MmResult UnprepareHeader(WaveOutHandle handle, WaveHeader& header) override;
        MmResult Write(WaveOutHandle handle, WaveHeader& header) override;
        MmResult GetPosition(WaveOutHandle handle, std::uint32_t& bytes) override;
        MmResult Reset(WaveOutHandle handle) override;
        MmResult Close(WaveOutHandle handle) override;
        MmResult GetErrorText(MmResult result, std::string& text) override;

      private:
        SimSoundCard& card_;
    };

    class SimOutputHold;

    // A buffer as it was when queued, to notice a header changed behind the device's back.
    struct QueuedBuffer {
        WaveHeader* header = nullptr;
        std::uint8_t* data = nullptr;
        std::uint32_t length = 0;
    };

    struct InputStream {
        std::uint32_t deviceId = 0;
        PcmWaveFormat format;
        WaveInCallback callback;
        std::deque<QueuedBuffer> queue;
        bool running = false;
        std::uint64_t runMicros = 0;    // time run since open or reset
        std::uint64_t framesDue = 0;    // frames that time has brought since open or reset
        std::uint64_t signalFrame = 0;  // the microphone's frame counter, since open
        std::uint64_t position = 0;     // bytes recorded since open or reset
    };

    struct OutputStream {
        std::uint32_t deviceId = 0;
        PcmWaveFormat format;
        WaveOutCallback callback;
        std::deque<QueuedBuffer> queue;
        std::uint32_t headOffset = 0;   // bytes of the first queued buffer already played
        std::uint64_t playMicros = 0;   // time played since the queue last ran dry
        std::uint64_t playedInRun = 0;  // bytes played in that time
        std::uint64_t position = 0;     // bytes played since open or reset
    };

    enum class Direction { In, Out };

    // One callback still to be made.
    struct PendingCallback {
        Direction direction = Direction::In;
        std::uint32_t handle = 0;
        std::function<void()> invoke;
    };

    // Entry checks shared by every wave call: not from a callback, counted, the injected
    // failure if any. Called with mutex_ held.
    MmResult EnterCall(SimCall call);
    InputStream* FindInput(SimCall call, WaveInHandle handle);
    OutputStream* FindOutput(SimCall call, WaveOutHandle handle);
    void Violation(std::string message);
    bool Intact(const QueuedBuffer& buffer) const;
    bool DeviceBusy(Direction direction, std::uint32_t deviceId) const;
    bool DuplexBlocked(Direction opening) const;

    void AdvanceLocked(std::uint64_t micros);
    void RecordInto(std::uint32_t handle, InputStream& stream, std::uint64_t frames);
    void PlayFrom(std::uint32_t handle, OutputStream& stream, std::uint64_t micros);
    void ReturnInput(std::uint32_t handle, InputStream& stream);
    void ReturnOutput(std::uint32_t handle, OutputStream& stream);
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

    // Wave input, called through SimWaveIn.
    MmResult InGetDevCaps(std::uint32_t deviceId, WaveInCaps& caps);
    MmResult InOpen(WaveInHandle& handle, std::uint32_t deviceId, const PcmWaveFormat& format,
                    WaveInCallback callback);
    MmResult InPrepare(WaveInHandle handle, WaveHeader& header);
    MmResult InUnprepare(WaveInHandle handle, WaveHeader& header);
    MmResult InAddBuffer(WaveInHandle handle, WaveHeader& header);
    MmResult InStart(WaveInHandle handle);
    MmResult InStop(WaveInHandle handle);
    MmResult InReset(WaveInHandle handle);
    MmResult InGetPosition(WaveInHandle handle, std::uint32_t& bytes);
    MmResult InClose(WaveInHandle handle);

    // Wave output, called through SimWaveOut.
    MmResult OutGetDevCaps(std::uint32_t deviceId, WaveOutCaps& caps);
    MmResult OutOpen(WaveOutHandle& handle, std::uint32_t deviceId, const PcmWaveFormat& format,
                     WaveOutCallback callback);
    MmResult OutPrepare(WaveOutHandle handle, WaveHeader& header);
    MmResult OutUnprepare(WaveOutHandle handle, WaveHeader& header);
    MmResult OutWrite(WaveOutHandle handle, WaveHeader& header);
    MmResult OutGetPosition(WaveOutHandle handle, std::uint32_t& bytes);
    MmResult OutReset(WaveOutHandle handle);
    MmResult OutClose(WaveOutHandle handle);

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
