// The simulated card's clock, threads, callback delivery, rule checks and output hold. The
// wave calls are in sim_wave_streams.h (shared), sim_wave_in.cpp and sim_wave_out.cpp.

#include "platform/sim/sim_sound_card.h"

#include <string>
#include <utility>

#include "platform/sim/sim_wave_streams.h"

namespace zav::platform::sim {

namespace {

constexpr std::uint64_t kMicrosPerSecond = 1'000'000;

// Depth of device callbacks running on this thread; any wave call made while it is above 0
// breaks the host's rule.
thread_local int tCallbackDepth = 0;

class CallbackScope {
  public:
    CallbackScope() { ++tCallbackDepth; }
    ~CallbackScope() { --tCallbackDepth; }
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;
};

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

class SimSoundCard::SimOutputHold final : public OutputDeviceHold {
  public:
    explicit SimOutputHold(SimSoundCard& card) : card_(card) {}
    ~SimOutputHold() override { card_.ReleaseHold(); }
    SimOutputHold(const SimOutputHold&) = delete;
    SimOutputHold& operator=(const SimOutputHold&) = delete;

    MmResult SetCooperativeLevel(CooperativeLevel) override {
        return card_.HoldSetCooperativeLevel();
    }

  private:
    SimSoundCard& card_;
};

SimSoundCard::SimSoundCard(SimCardConfig config)
    : config_(std::move(config)), mic_(config_.mic), played_(config_.outputs.size()) {
    if (!mic_)
        mic_ = SilentMic();
}

SimSoundCard::~SimSoundCard() {
    StopThreads();
    std::lock_guard lock(mutex_);
    ReportLeftOpen<InputStream>();
    ReportLeftOpen<OutputStream>();
    if (holds_ > 0)
        Violation("output hold outlives the sound card");
}

MmResult SimSoundCard::CreateOutputHold(std::unique_ptr<OutputDeviceHold>& hold) {
    hold.reset();
    std::lock_guard lock(mutex_);
    if (MmResult injected = EnterCall(SimCall::CreateOutputHold); injected != MmResult::NoError) {
        return injected;
    }
    if (config_.outputs.empty())
        return MmResult::NoDriver;
    if (DuplexBlocked(Direction::Out))
        return MmResult::Allocated;
    hold = std::make_unique<SimOutputHold>(*this);
    ++holds_;
    return MmResult::NoError;
}

MmResult SimSoundCard::HoldSetCooperativeLevel() {
    std::lock_guard lock(mutex_);
    return EnterCall(SimCall::SetCooperativeLevel);
}

void SimSoundCard::ReleaseHold() {
    std::lock_guard lock(mutex_);
    if (holds_ > 0)
        --holds_;
}

void SimSoundCard::AdvanceBy(std::uint32_t milliseconds) {
    std::unique_lock lock(mutex_);
    if (threaded_) {
        Violation("AdvanceBy while the card runs on its own thread");
        return;
    }
    if (tCallbackDepth > 0) {
        Violation("AdvanceBy from inside a device callback");
        return;
    }
    AdvanceLocked(std::uint64_t{milliseconds} * 1000);
    DeliverLocked(lock);
}

std::uint64_t SimSoundCard::elapsedMicroseconds() const {
    std::lock_guard lock(mutex_);
    return nowMicros_;
}

void SimSoundCard::StartThreads(std::chrono::milliseconds period) {
    std::lock_guard lock(mutex_);
    if (threaded_)
        return;
    threaded_ = true;
    thread_ = std::jthread([this, period](std::stop_token stop) { ThreadLoop(stop, period); });
}

void SimSoundCard::StopThreads() {
    if (!thread_.joinable())
        return;
    thread_.request_stop();
    thread_.join();
    std::lock_guard lock(mutex_);
    threaded_ = false;
    // A Close waiting for the thread now delivers what is left itself.
    changed_.notify_all();
}

void SimSoundCard::ThreadLoop(std::stop_token stop, std::chrono::milliseconds period) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point last = Clock::now();
    std::unique_lock lock(mutex_);
    while (!stop.stop_requested()) {
        changed_.wait_for(lock, stop, period, [this] { return !pending_.empty(); });
        const Clock::time_point now = Clock::now();
        const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now - last);
        last += micros;
        AdvanceLocked(static_cast<std::uint64_t>(micros.count()));
        DeliverLocked(lock);
    }
}

void SimSoundCard::FailCall(SimCall call, MmResult result, std::uint32_t afterCalls,
                            std::uint32_t times) {
    std::lock_guard lock(mutex_);
    failures_.Fail(call, result, afterCalls, times);
}

void SimSoundCard::ClearFailures() {
    std::lock_guard lock(mutex_);
    failures_.Clear();
}

void SimSoundCard::SetViolationHandler(RuleViolationHandler handler) {
    std::lock_guard lock(mutex_);
    onViolation_ = handler ? std::move(handler) : RuleViolationHandler(AbortOnRuleViolation);
}

void SimSoundCard::SetMicSignal(MicSignal signal) {
    std::lock_guard lock(mutex_);
    mic_ = signal ? std::move(signal) : SilentMic();
}

std::uint32_t SimSoundCard::CallCount(SimCall call) const {
    std::lock_guard lock(mutex_);
    return failures_.Count(call);
}

std::size_t SimSoundCard::violationCount() const {
    std::lock_guard lock(mutex_);
    return violations_;
}

std::size_t SimSoundCard::openInputCount() const {
    std::lock_guard lock(mutex_);
    return inputs_.size();
}

std::size_t SimSoundCard::openOutputCount() const {
    std::lock_guard lock(mutex_);
    return outputs_.size();
}

std::size_t SimSoundCard::holdCount() const {
    std::lock_guard lock(mutex_);
    return holds_;
}

std::vector<PcmWaveFormat> SimSoundCard::OpenInputFormats() const {
    std::lock_guard lock(mutex_);
    std::vector<PcmWaveFormat> formats;
    for (const auto& [handle, stream] : inputs_)
        formats.push_back(stream.format);
    return formats;
}

std::size_t SimSoundCard::queuedInputBuffers() const {
    std::lock_guard lock(mutex_);
    std::size_t queued = 0;
    for (const auto& [handle, stream] : inputs_)
        queued += stream.queue.size();
    return queued;
}

std::uint64_t SimSoundCard::inputOverrunFrames() const {
    std::lock_guard lock(mutex_);
    return overrunFrames_;
}

std::vector<std::uint8_t> SimSoundCard::PlayedBytes(std::uint32_t deviceId) const {
    std::lock_guard lock(mutex_);
    if (deviceId >= played_.size())
        return {};
    return played_[deviceId];
}

MmResult SimSoundCard::EnterCall(SimCall call) {
    if (tCallbackDepth > 0) {
        failures_.OnCall(call);
        Violation(std::string(SimCallName(call)) + " called from inside a device callback");
        return MmResult::Error;
    }
    return failures_.OnCall(call);
}

void SimSoundCard::Violation(std::string message) {
    ++violations_;
    onViolation_(message);
}

bool SimSoundCard::Intact(const QueuedBuffer& buffer) const {
    constexpr std::uint32_t kHeld = kWaveHeaderInQueue | kWaveHeaderPrepared;
    const WaveHeader& header = *buffer.header;
    return header.data == buffer.data && header.bufferLength == buffer.length &&
           (header.flags & kHeld) == kHeld;
}

bool SimSoundCard::DuplexBlocked(Direction opening) const {
    if (config_.fullDuplex)
        return false;
    if (opening == Direction::In)
        return !outputs_.empty() || holds_ > 0;
    return !inputs_.empty();
}

void SimSoundCard::AdvanceLocked(std::uint64_t micros) {
    nowMicros_ += micros;
    for (auto& [handle, stream] : inputs_) {
        if (!stream.running)
            continue;
        stream.runMicros += micros;
        const std::uint64_t due = stream.runMicros * stream.format.samplesPerSec / kMicrosPerSecond;
        const std::uint64_t frames = due - stream.framesDue;
        stream.framesDue = due;
        RecordInto(handle, stream, frames);
    }
    for (auto& [handle, stream] : outputs_)
        PlayFrom(handle, stream, micros);
}

void SimSoundCard::RecordInto(std::uint32_t handle, InputStream& stream, std::uint64_t frames) {
    const PcmWaveFormat& format = stream.format;
    const std::uint32_t block = format.blockAlign;
    while (frames > 0) {
        if (stream.queue.empty()) {
            overrunFrames_ += frames;
            stream.signalFrame += frames;
            return;
        }
        const QueuedBuffer& queued = stream.queue.front();
        if (!Intact(queued)) {
            Violation(InputStream::kHeaderChanged);
            stream.queue.pop_front();
            continue;
        }
        WaveHeader& header = *queued.header;
        const std::uint64_t room = (header.bufferLength - header.bytesRecorded) / block;
        const std::uint64_t count = std::min(room, frames);
        std::uint8_t* out = header.data + header.bytesRecorded;
        for (std::uint64_t frame = 0; frame < count; ++frame) {
            for (std::uint32_t channel = 0; channel < format.channels; ++channel) {
                const std::int16_t sample =
                    mic_(stream.signalFrame + frame, channel, format.samplesPerSec);
                if (format.bitsPerSample == 16) {
                    *out++ = static_cast<std::uint8_t>(sample & 0xFF);
                    *out++ = static_cast<std::uint8_t>((sample >> 8) & 0xFF);
                } else {
                    *out++ = static_cast<std::uint8_t>((sample >> 8) + 128);
                }
            }
        }
        const auto bytes = static_cast<std::uint32_t>(count * block);
        header.bytesRecorded += bytes;
        stream.position += bytes;
        stream.signalFrame += count;
        frames -= count;
        if (header.bufferLength - header.bytesRecorded < block)
            ReturnBuffer(handle, stream);
    }
}

void SimSoundCard::PlayFrom(std::uint32_t handle, OutputStream& stream, std::uint64_t micros) {
    if (stream.queue.empty())
        return;
    const PcmWaveFormat& format = stream.format;
    stream.playMicros += micros;
    std::uint64_t due = stream.playMicros * format.avgBytesPerSec / kMicrosPerSecond;
    due -= due % format.blockAlign;
    std::uint64_t bytes = due - stream.playedInRun;
    std::vector<std::uint8_t>& sink = played_[stream.deviceId];
    while (bytes > 0 && !stream.queue.empty()) {
        const QueuedBuffer& queued = stream.queue.front();
        if (!Intact(queued)) {
            Violation(OutputStream::kHeaderChanged);
            stream.queue.pop_front();
            stream.headOffset = 0;
            continue;
        }
        const std::uint64_t left = queued.length - stream.headOffset;
        const std::uint64_t count = std::min(left, bytes);
        const std::uint8_t* from = queued.data + stream.headOffset;
        sink.insert(sink.end(), from, from + count);
        stream.headOffset += static_cast<std::uint32_t>(count);
        stream.playedInRun += count;
        stream.position += count;
        bytes -= count;
        if (stream.headOffset == queued.length)
            ReturnBuffer(handle, stream);
    }
    // Time without anything to play is not owed to the next buffer.
    if (stream.queue.empty()) {
        stream.playMicros = 0;
        stream.playedInRun = 0;
    }
}

void SimSoundCard::Notify(Direction direction, std::uint32_t handle, std::function<void()> invoke) {
    pending_.push_back(PendingCallback{direction, handle, std::move(invoke)});
    changed_.notify_all();
}

void SimSoundCard::DeliverLocked(std::unique_lock<std::mutex>& lock) {
    while (!pending_.empty()) {
        if (running_) {
            // Another thread is delivering; callbacks go one at a time, in order.
            changed_.wait(lock);
            continue;
        }
        PendingCallback next = std::move(pending_.front());
        pending_.pop_front();
        running_ = RunningCallback{next.direction, next.handle};
        lock.unlock();
        bool threw = false;
        {
            CallbackScope scope;
            try {
                next.invoke();
            } catch (...) {
                threw = true;
            }
        }
        lock.lock();
        running_.reset();
        if (threw)
            Violation("a device callback threw an exception");
        changed_.notify_all();
    }
}

bool SimSoundCard::HandleQuiet(Direction direction, std::uint32_t handle) const {
    if (running_ && running_->direction == direction && running_->handle == handle)
        return false;
    for (const PendingCallback& callback : pending_) {
        if (callback.direction == direction && callback.handle == handle)
            return false;
    }
    return true;
}

void SimSoundCard::DrainHandleLocked(std::unique_lock<std::mutex>& lock, Direction direction,
                                     std::uint32_t handle) {
    while (!HandleQuiet(direction, handle)) {
        if (!threaded_ && !running_) {
            DeliverLocked(lock);
        } else {
            changed_.wait(lock);
        }
    }
}

MmResult SimSoundCard::ErrorText(SimCall call, MmResult result, std::string& text) {
    std::lock_guard lock(mutex_);
    text.clear();
    if (MmResult injected = EnterCall(call); injected != MmResult::NoError)
        return injected;
    text = std::string(WaveResultText(result));
    return text.empty() ? MmResult::BadErrNum : MmResult::NoError;
}

}  // namespace zav::platform::sim
