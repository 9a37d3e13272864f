#pragma once
// A simulated sound card: wave input and output devices and the output-device hold, driven by
// a clock that a test advances by hand (AdvanceBy, or a platform/testing SimClock it is
// attached to), or by real time on the card's own thread (StartThreads). The microphone hears a
// MicSignal; the output devices keep what they played.
//
// The wave calls and their rules are the wave core's (platform/audio/wave_core.h); the card
// adds its devices, what they record and play as time passes, and the output hold. Every breach
// of the host's rules goes to the rule-violation handler: by default the program aborts with
// the message (a test installs one that fails the test, a program one that prints it and goes
// on). The card also reports devices or holds still open when it goes away.
//
// Callbacks: filled or played buffers are returned as time passes; buffers returned by Stop
// and Reset, and the open notice, come asynchronously, one at a time and in order: in manual
// mode on the thread calling AdvanceBy, AdvanceTo or DeliverCallbacks (or Close, for its own
// handle), in threaded mode on the card's own thread. Close delivers (or waits for) every
// callback still due for its handle, then the close notice, before it returns; a callback that
// waits for the thread calling Close therefore deadlocks, as it would on the host.
//
// Thread: the wave calls from any thread (see wave_in.h and wave_out.h); the test-side calls
// (configuration, clock, inspection) from the test's thread.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio/audio_system.h"
#include "platform/audio/wave_core.h"
#include "platform/sim/fault_injector.h"
#include "platform/sim/mic_signal.h"
#include "platform/sim/rule_violation.h"
#include "platform/sim/sim_call.h"
#include "platform/sim/sim_clock_part.h"
#include "platform/threads/stoppable_thread.h"

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

class SimSoundCard final : public AudioSystem, public SimClockPart {
  public:
    explicit SimSoundCard(SimCardConfig config = {});
    ~SimSoundCard() override;
    SimSoundCard(const SimSoundCard&) = delete;
    SimSoundCard& operator=(const SimSoundCard&) = delete;

    WaveInApi& WaveIn() override { return core_.WaveIn(); }
    WaveOutApi& WaveOut() override { return core_.WaveOut(); }
    MmResult CreateOutputHold(std::unique_ptr<OutputDeviceHold>& hold) override;

    // Manual mode: lets the given time pass, filling and playing buffers, and delivers the
    // callbacks that are due, on the calling thread.
    void AdvanceBy(std::uint32_t milliseconds);
    // The same, up to a moment of a SimClock shared with other simulated parts.
    void AdvanceTo(std::uint64_t nowMicros) override;
    // Delivers the callbacks that are due without letting time pass.
    void DeliverCallbacks() { AdvanceBy(0); }
    std::uint64_t ElapsedMicroseconds() const;

    // Threaded mode: the card's own thread lets real time pass every period and delivers the
    // callbacks; with speed above 1 the card's time runs that many times faster than real time
    // (a race test makes two seconds of recording take two milliseconds). AdvanceBy is not
    // allowed meanwhile.
    void StartThreads(std::chrono::milliseconds period = std::chrono::milliseconds(5),
                      double speed = 1.0);
    void StopThreads();

    // The call after the next afterCalls calls of this kind fails with result, and so on
    // until times calls have failed (kEveryTime: for ever). A wave call is named as the core
    // names it (WaveCall::Queue is waveInAddBuffer on input, waveOutWrite on output).
    void FailCall(WaveDirection direction, WaveCall call, MmResult result,
                  std::uint32_t afterCalls = 0, std::uint32_t times = 1);
    void FailCall(SimCall call, MmResult result, std::uint32_t afterCalls = 0,
                  std::uint32_t times = 1);
    void ClearFailures();
    // Every open device stops working, as when a sound server goes away: their buffers come
    // back at once, and the calls that need a device answer NoDriver until they are closed.
    void BreakOpenDevices();
    // While stalled, time passes but the devices record and play nothing: no buffer fills or
    // ends by itself (a device whose callback never comes). Stop and Reset still hand buffers
    // back.
    void StallDevices(bool stalled);
    void SetViolationHandler(RuleViolationHandler handler);
    void SetMicSignal(MicSignal signal);

    // Inspection.
    std::uint32_t CallCount(WaveDirection direction, WaveCall call) const;
    std::uint32_t CallCount(SimCall call) const;
    std::size_t ViolationCount() const;
    std::size_t OpenInputCount() const;
    std::size_t OpenOutputCount() const;
    std::size_t HoldCount() const;
    // The formats of the open input devices, in the order they were opened.
    std::vector<PcmWaveFormat> OpenInputFormats() const;
    // Buffers queued on all open input devices.
    std::size_t QueuedInputBuffers() const;
    // Frames the input devices could not record because no buffer was queued.
    std::uint64_t InputOverrunFrames() const;
    // Every byte output device deviceId has played since the card was made, in order.
    std::vector<std::uint8_t> PlayedBytes(std::uint32_t deviceId) const;
    // The format output device deviceId was last opened with; nullopt before its first open.
    std::optional<PcmWaveFormat> PlayedFormat(std::uint32_t deviceId) const;

  private:
    class InputPump;
    class OutputPump;
    class SimOutputHold;

    // One direction's devices, as the wave core asks for them.
    class Devices final : public WaveDevices {
      public:
        Devices(SimSoundCard& card, WaveDirection direction) : card_(card), direction_(direction) {}
        std::uint32_t CountDevices() override;
        MmResult DeviceCaps(std::uint32_t deviceId, WaveDeviceCaps& caps) override;
        MmResult OpenDevice(std::uint32_t deviceId, const PcmWaveFormat& format, WaveStream& stream,
                            std::unique_ptr<WavePump>& pump) override;

      private:
        SimSoundCard& card_;
        const WaveDirection direction_;
    };

    // Every call the card counts, wave calls of either direction and its own, by one number.
    static constexpr std::size_t kCountedCalls = 2 * kWaveCallCount + kSimCallCount;
    static std::size_t CallIndex(WaveDirection direction, WaveCall call);
    static std::size_t CallIndex(SimCall call);
    // Counts a call and may fail it (the core's call hook, and the hold's calls); mutex held.
    MmResult EnterCall(std::size_t call);
    void Violation(std::string message);  // mutex held
    bool DuplexBlocked(WaveDirection opening) const;
    bool DeviceBusy(WaveDirection direction, std::uint32_t deviceId) const;
    void Forget(const WavePump* pump);

    // Lets time pass up to nowMicros and delivers what falls due; lock holds the mutex.
    void AdvanceToLocked(std::unique_lock<std::mutex>& lock, std::uint64_t nowMicros);
    void AdvanceLocked(std::uint64_t micros);
    void RecordInto(InputPump& pump, std::uint64_t frames);
    void PlayFrom(OutputPump& pump, std::uint64_t micros);
    void ThreadLoop(std::chrono::milliseconds period, double speed);

    MmResult HoldSetCooperativeLevel();
    void ReleaseHold();

    const SimCardConfig config_;

    // Guarded by the core's mutex. Declared before the core, which reports to them until it
    // has gone.
    MicSignal mic_;
    RuleViolationHandler onViolation_ = AbortOnRuleViolation;
    FaultInjector<std::size_t, MmResult, kCountedCalls> failures_;
    std::size_t violations_ = 0;
    std::uint64_t nowMicros_ = 0;
    std::size_t holds_ = 0;
    std::uint64_t overrunFrames_ = 0;
    std::vector<std::vector<std::uint8_t>> played_;
    std::vector<std::optional<PcmWaveFormat>> playedFormats_;
    std::vector<InputPump*> inputs_;  // the open devices' pumps, in the order they opened
    std::vector<OutputPump*> outputs_;
    bool threaded_ = false;
    bool stalled_ = false;

    Devices inputDevices_{*this, WaveDirection::In};
    Devices outputDevices_{*this, WaveDirection::Out};
    WaveCore core_;
    StoppableThread thread_;
};

}  // namespace zav::platform::sim
