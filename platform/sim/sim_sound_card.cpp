// The simulated card's devices, clock, threads and output hold. The wave calls themselves and
// their rules are the wave core's.

#include "platform/sim/sim_sound_card.h"

#include <algorithm>
#include <span>
#include <string>
#include <utility>

#include "platform/audio/device_callback.h"
#include "platform/sim/sim_format.h"

namespace zav::platform::sim {

namespace {

constexpr std::uint64_t kMicrosPerSecond = 1'000'000;

}  // namespace

WaveInCaps DefaultSimInputCaps() {
    WaveInCaps caps;
    caps.productName = "Simulated Microphone";
    caps.formats = kAllStandardFormats;
    caps.channels = 2;
    return caps;
}

WaveOutCaps DefaultSimOutputCaps() {
    WaveOutCaps caps;
    caps.productName = "Simulated Speakers";
    caps.formats = kAllStandardFormats;
    caps.channels = 2;
    caps.support = kWaveCapsVolume | kWaveCapsLrVolume | kWaveCapsSampleAccurate;
    return caps;
}

// What an open input device keeps besides what the core keeps.
class SimSoundCard::InputPump final : public WavePump {
  public:
    InputPump(SimSoundCard& owner, WaveStream& opened, std::uint32_t device)
        : card(owner), stream(opened), deviceId(device) {}

    MmResult Start() override { return MmResult::NoError; }
    MmResult Stop() override { return MmResult::NoError; }
    void Reset() override {
        runMicros = 0;
        framesDue = 0;
    }
    void Shutdown() override { card.Forget(this); }

    SimSoundCard& card;
    WaveStream& stream;
    const std::uint32_t deviceId;
    std::uint64_t runMicros = 0;    // time run since open or reset
    std::uint64_t framesDue = 0;    // frames that time has brought since open or reset
    std::uint64_t signalFrame = 0;  // the microphone's frame counter, since open
};

// What an open output device keeps besides what the core keeps.
class SimSoundCard::OutputPump final : public WavePump {
  public:
    OutputPump(SimSoundCard& owner, WaveStream& opened, std::uint32_t device)
        : card(owner), stream(opened), deviceId(device) {}

    void Reset() override {
        playMicros = 0;
        playedInRun = 0;
    }
    void Shutdown() override { card.Forget(this); }

    SimSoundCard& card;
    WaveStream& stream;
    const std::uint32_t deviceId;
    std::uint64_t playMicros = 0;   // time played since the queue last ran dry
    std::uint64_t playedInRun = 0;  // bytes played in that time
};

class SimSoundCard::SimOutputHold final : public OutputDeviceHold {
  public:
    explicit SimOutputHold(SimSoundCard& card) : card_(card) {}
    ~SimOutputHold() override { card_.ReleaseHold(); }
    SimOutputHold(const SimOutputHold&) = delete;
    SimOutputHold& operator=(const SimOutputHold&) = delete;

  private:
    MmResult ApplyCooperativeLevel(CooperativeLevel) override {
        return card_.HoldSetCooperativeLevel();
    }

    SimSoundCard& card_;
};

SimSoundCard::SimSoundCard(SimCardConfig config)
    : config_(std::move(config)),
      mic_(config_.mic),
      played_(config_.outputs.size()),
      playedFormats_(config_.outputs.size()),
      core_(
          inputDevices_, outputDevices_,
          WaveCoreOptions{
              .onViolation = [this](std::string_view message) { Violation(std::string(message)); },
              .onCall = [this](WaveDirection direction,
                               WaveCall call) { return EnterCall(CallIndex(direction, call)); }}) {
    if (!mic_)
        mic_ = SilentMic();
}

SimSoundCard::~SimSoundCard() {
    StopThreads();
    std::lock_guard lock(core_.Mutex());
    if (holds_ > 0)
        Violation("output hold outlives the sound card");
    // The core reports the devices left open as it goes.
}

// ---- devices ----

std::uint32_t SimSoundCard::Devices::CountDevices() {
    return static_cast<std::uint32_t>(direction_ == WaveDirection::In
                                          ? card_.config_.inputs.size()
                                          : card_.config_.outputs.size());
}

MmResult SimSoundCard::Devices::DeviceCaps(std::uint32_t deviceId, WaveDeviceCaps& caps) {
    if (direction_ == WaveDirection::In) {
        if (deviceId >= card_.config_.inputs.size())
            return MmResult::BadDeviceId;
        const WaveInCaps& in = card_.config_.inputs[deviceId];
        caps = {in.manufacturerId,
                in.productId,
                in.driverVersion,
                in.productName,
                in.formats,
                in.channels,
                0};
        return MmResult::NoError;
    }
    if (deviceId >= card_.config_.outputs.size())
        return MmResult::BadDeviceId;
    const WaveOutCaps& out = card_.config_.outputs[deviceId];
    caps = {out.manufacturerId, out.productId, out.driverVersion, out.productName,
            out.formats,        out.channels,  out.support};
    return MmResult::NoError;
}

MmResult SimSoundCard::Devices::OpenDevice(std::uint32_t deviceId, const PcmWaveFormat& format,
                                           WaveStream& stream, std::unique_ptr<WavePump>& pump) {
    const bool in = direction_ == WaveDirection::In;
    const std::size_t count = in ? card_.config_.inputs.size() : card_.config_.outputs.size();
    if (count == 0 || (deviceId != kWaveMapper && deviceId >= count))
        return MmResult::BadDeviceId;
    if (card_.DuplexBlocked(direction_))
        return MmResult::Allocated;
    const std::uint32_t first = deviceId == kWaveMapper ? 0 : deviceId;
    const std::uint32_t last =
        deviceId == kWaveMapper ? static_cast<std::uint32_t>(count) : deviceId + 1;
    bool anyTakesFormat = false;
    for (std::uint32_t id = first; id < last; ++id) {
        const std::uint32_t formats =
            in ? card_.config_.inputs[id].formats : card_.config_.outputs[id].formats;
        const std::uint16_t channels =
            in ? card_.config_.inputs[id].channels : card_.config_.outputs[id].channels;
        if (!SimDeviceTakesFormat(formats, channels, format))
            continue;
        anyTakesFormat = true;
        if (card_.DeviceBusy(direction_, id))
            continue;
        if (in) {
            auto made = std::make_unique<InputPump>(card_, stream, id);
            card_.inputs_.push_back(made.get());
            pump = std::move(made);
        } else {
            auto made = std::make_unique<OutputPump>(card_, stream, id);
            card_.outputs_.push_back(made.get());
            card_.playedFormats_[id] = format;
            pump = std::move(made);
        }
        return MmResult::NoError;
    }
    return anyTakesFormat ? MmResult::Allocated : MmResult::WaveBadFormat;
}

bool SimSoundCard::DuplexBlocked(WaveDirection opening) const {
    if (config_.fullDuplex)
        return false;
    if (opening == WaveDirection::In)
        return !outputs_.empty() || holds_ > 0;
    return !inputs_.empty();
}

bool SimSoundCard::DeviceBusy(WaveDirection direction, std::uint32_t deviceId) const {
    if (direction == WaveDirection::In) {
        return std::any_of(inputs_.begin(), inputs_.end(), [deviceId](const InputPump* pump) {
            return pump->deviceId == deviceId;
        });
    }
    return std::any_of(outputs_.begin(), outputs_.end(),
                       [deviceId](const OutputPump* pump) { return pump->deviceId == deviceId; });
}

void SimSoundCard::Forget(const WavePump* pump) {
    std::lock_guard lock(core_.Mutex());
    std::erase(inputs_, pump);
    std::erase(outputs_, pump);
}

// ---- calls, failures and rules ----

std::size_t SimSoundCard::CallIndex(WaveDirection direction, WaveCall call) {
    return (direction == WaveDirection::In ? 0 : kWaveCallCount) + static_cast<std::size_t>(call);
}

std::size_t SimSoundCard::CallIndex(SimCall call) {
    return 2 * kWaveCallCount + static_cast<std::size_t>(call);
}

MmResult SimSoundCard::EnterCall(std::size_t call) {
    MmResult failure = MmResult::NoError;
    return failures_.OnCall(call, failure) ? failure : MmResult::NoError;
}

void SimSoundCard::Violation(std::string message) {
    ++violations_;
    onViolation_(message);
}

void SimSoundCard::FailCall(WaveDirection direction, WaveCall call, MmResult result,
                            std::uint32_t afterCalls, std::uint32_t times) {
    std::lock_guard lock(core_.Mutex());
    failures_.Fail(CallIndex(direction, call), result, afterCalls, times);
}

void SimSoundCard::FailCall(SimCall call, MmResult result, std::uint32_t afterCalls,
                            std::uint32_t times) {
    std::lock_guard lock(core_.Mutex());
    failures_.Fail(CallIndex(call), result, afterCalls, times);
}

void SimSoundCard::ClearFailures() {
    std::lock_guard lock(core_.Mutex());
    failures_.Clear();
}

void SimSoundCard::BreakOpenDevices() {
    std::unique_lock lock(core_.Mutex());
    for (InputPump* pump : inputs_)
        pump->stream.Fail();
    for (OutputPump* pump : outputs_)
        pump->stream.Fail();
    if (!threaded_)
        core_.DeliverPending(lock);
}

void SimSoundCard::StallDevices(bool stalled) {
    std::lock_guard lock(core_.Mutex());
    stalled_ = stalled;
}

void SimSoundCard::SetViolationHandler(RuleViolationHandler handler) {
    std::lock_guard lock(core_.Mutex());
    onViolation_ = handler ? std::move(handler) : RuleViolationHandler(AbortOnRuleViolation);
}

void SimSoundCard::SetMicSignal(MicSignal signal) {
    std::lock_guard lock(core_.Mutex());
    mic_ = signal ? std::move(signal) : SilentMic();
}

// ---- the output hold ----

MmResult SimSoundCard::CreateOutputHold(std::unique_ptr<OutputDeviceHold>& hold) {
    hold.reset();
    std::lock_guard lock(core_.Mutex());
    if (const MmResult injected = EnterCall(CallIndex(SimCall::CreateOutputHold));
        injected != MmResult::NoError) {
        return injected;
    }
    if (config_.outputs.empty())
        return MmResult::NoDriver;
    if (DuplexBlocked(WaveDirection::Out))
        return MmResult::Allocated;
    hold = std::make_unique<SimOutputHold>(*this);
    ++holds_;
    return MmResult::NoError;
}

MmResult SimSoundCard::HoldSetCooperativeLevel() {
    std::lock_guard lock(core_.Mutex());
    return EnterCall(CallIndex(SimCall::SetCooperativeLevel));
}

void SimSoundCard::ReleaseHold() {
    std::lock_guard lock(core_.Mutex());
    if (holds_ > 0)
        --holds_;
}

// ---- time ----

void SimSoundCard::AdvanceBy(std::uint32_t milliseconds) {
    std::unique_lock lock(core_.Mutex());
    AdvanceToLocked(lock, nowMicros_ + std::uint64_t{milliseconds} * 1000);
}

void SimSoundCard::AdvanceTo(std::uint64_t nowMicros) {
    std::unique_lock lock(core_.Mutex());
    AdvanceToLocked(lock, std::max(nowMicros, nowMicros_));
}

void SimSoundCard::AdvanceToLocked(std::unique_lock<std::mutex>& lock, std::uint64_t nowMicros) {
    if (threaded_) {
        Violation("AdvanceBy while the card runs on its own thread");
        return;
    }
    if (InDeviceCallback()) {
        Violation("AdvanceBy from inside a device callback");
        return;
    }
    AdvanceLocked(nowMicros - nowMicros_);
    core_.DeliverPending(lock);
}

std::uint64_t SimSoundCard::ElapsedMicroseconds() const {
    std::lock_guard lock(core_.Mutex());
    return nowMicros_;
}

void SimSoundCard::StartThreads(std::chrono::milliseconds period, double speed) {
    {
        std::lock_guard lock(core_.Mutex());
        if (threaded_)
            return;
        threaded_ = true;
    }
    core_.SetBackgroundDelivery(true);
    thread_.Start(
        core_.Mutex(), [this] { core_.NotifyChanged(); },
        [this, period, speed] { ThreadLoop(period, speed); });
}

void SimSoundCard::StopThreads() {
    if (!thread_.Running())
        return;
    thread_.Stop();
    {
        std::lock_guard lock(core_.Mutex());
        threaded_ = false;
    }
    // A Close waiting for the thread now delivers what is left itself.
    core_.SetBackgroundDelivery(false);
}

void SimSoundCard::ThreadLoop(std::chrono::milliseconds period, double speed) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point last = Clock::now();
    std::unique_lock lock(core_.Mutex());
    while (!thread_.StopRequested()) {
        core_.WaitForWork(lock, period);
        const Clock::time_point now = Clock::now();
        const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now - last);
        last += micros;
        AdvanceLocked(static_cast<std::uint64_t>(static_cast<double>(micros.count()) * speed));
        core_.DeliverPending(lock);
    }
}

void SimSoundCard::AdvanceLocked(std::uint64_t micros) {
    nowMicros_ += micros;
    if (stalled_)
        return;
    for (InputPump* pump : std::vector<InputPump*>(inputs_)) {
        if (!pump->stream.Recording())
            continue;
        pump->runMicros += micros;
        const std::uint64_t due =
            pump->runMicros * pump->stream.Format().samplesPerSec / kMicrosPerSecond;
        const std::uint64_t frames = due - pump->framesDue;
        pump->framesDue = due;
        RecordInto(*pump, frames);
    }
    for (OutputPump* pump : std::vector<OutputPump*>(outputs_))
        PlayFrom(*pump, micros);
}

void SimSoundCard::RecordInto(InputPump& pump, std::uint64_t frames) {
    const PcmWaveFormat& format = pump.stream.Format();
    const std::uint32_t block = format.blockAlign;
    while (frames > 0) {
        const std::span<std::uint8_t> room = pump.stream.CaptureRoom();
        if (room.empty()) {
            overrunFrames_ += frames;
            pump.signalFrame += frames;
            return;
        }
        const std::uint64_t count = std::min<std::uint64_t>(room.size() / block, frames);
        std::uint8_t* out = room.data();
        for (std::uint64_t frame = 0; frame < count; ++frame) {
            for (std::uint32_t channel = 0; channel < format.channels; ++channel) {
                const std::int16_t sample =
                    mic_(pump.signalFrame + frame, channel, format.samplesPerSec);
                if (format.bitsPerSample == 16) {
                    *out++ = static_cast<std::uint8_t>(sample & 0xFF);
                    *out++ = static_cast<std::uint8_t>((sample >> 8) & 0xFF);
                } else {
                    *out++ = static_cast<std::uint8_t>((sample >> 8) + 128);
                }
            }
        }
        pump.signalFrame += count;
        frames -= count;
        pump.stream.Captured(static_cast<std::uint32_t>(count * block));
    }
}

void SimSoundCard::PlayFrom(OutputPump& pump, std::uint64_t micros) {
    if (pump.stream.QueuedCount() == 0)
        return;
    const PcmWaveFormat& format = pump.stream.Format();
    pump.playMicros += micros;
    std::uint64_t due = pump.playMicros * format.avgBytesPerSec / kMicrosPerSecond;
    due -= due % format.blockAlign;
    std::uint64_t bytes = due - pump.playedInRun;
    std::vector<std::uint8_t>& sink = played_[pump.deviceId];
    // The simulated device plays what it is given at once.
    while (bytes > 0) {
        const std::span<const std::uint8_t> unwritten = pump.stream.Unwritten();
        if (unwritten.empty())
            break;
        const std::size_t count = std::min<std::uint64_t>(unwritten.size(), bytes);
        sink.insert(sink.end(), unwritten.begin(),
                    unwritten.begin() + static_cast<std::ptrdiff_t>(count));
        pump.stream.Wrote(static_cast<std::uint32_t>(count));
        pump.playedInRun += count;
        bytes -= count;
        pump.stream.Played(pump.stream.WrittenBytes());
    }
    pump.stream.Played(pump.stream.WrittenBytes());
    // Time without anything to play is not owed to the next buffer.
    if (pump.stream.QueuedCount() == 0) {
        pump.playMicros = 0;
        pump.playedInRun = 0;
    }
}

// ---- inspection ----

std::uint32_t SimSoundCard::CallCount(WaveDirection direction, WaveCall call) const {
    std::lock_guard lock(core_.Mutex());
    return failures_.Count(CallIndex(direction, call));
}

std::uint32_t SimSoundCard::CallCount(SimCall call) const {
    std::lock_guard lock(core_.Mutex());
    return failures_.Count(CallIndex(call));
}

std::size_t SimSoundCard::ViolationCount() const {
    std::lock_guard lock(core_.Mutex());
    return violations_;
}

std::size_t SimSoundCard::OpenInputCount() const {
    std::lock_guard lock(core_.Mutex());
    return inputs_.size();
}

std::size_t SimSoundCard::OpenOutputCount() const {
    std::lock_guard lock(core_.Mutex());
    return outputs_.size();
}

std::size_t SimSoundCard::HoldCount() const {
    std::lock_guard lock(core_.Mutex());
    return holds_;
}

std::vector<PcmWaveFormat> SimSoundCard::OpenInputFormats() const {
    std::lock_guard lock(core_.Mutex());
    std::vector<PcmWaveFormat> formats;
    for (const InputPump* pump : inputs_)
        formats.push_back(pump->stream.Format());
    return formats;
}

std::size_t SimSoundCard::QueuedInputBuffers() const {
    std::lock_guard lock(core_.Mutex());
    std::size_t queued = 0;
    for (const InputPump* pump : inputs_)
        queued += pump->stream.QueuedCount();
    return queued;
}

std::uint64_t SimSoundCard::InputOverrunFrames() const {
    std::lock_guard lock(core_.Mutex());
    return overrunFrames_;
}

std::optional<PcmWaveFormat> SimSoundCard::PlayedFormat(std::uint32_t deviceId) const {
    std::lock_guard lock(core_.Mutex());
    if (deviceId >= playedFormats_.size())
        return std::nullopt;
    return playedFormats_[deviceId];
}

std::vector<std::uint8_t> SimSoundCard::PlayedBytes(std::uint32_t deviceId) const {
    std::lock_guard lock(core_.Mutex());
    if (deviceId >= played_.size())
        return {};
    return played_[deviceId];
}

}  // namespace zav::platform::sim
