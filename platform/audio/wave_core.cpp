#include "platform/audio/wave_core.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "platform/audio/device_callback.h"

namespace zav::platform {

namespace {

constexpr std::array<std::string_view, 12> kCallNames{
    "GetNumDevs", "GetDevCaps", "Open",  "PrepareHeader", "UnprepareHeader", "",
    "Start",      "Stop",       "Reset", "GetPosition",   "Close",           "GetErrorText"};

std::string HandleText(std::uint32_t handle) {
    return " (handle " + std::to_string(handle) + ")";
}

}  // namespace

std::string_view WaveCallName(WaveDirection direction, WaveCall call) {
    static const auto names = [] {
        std::array<std::array<std::string, 12>, 2> made;
        for (std::size_t i = 0; i < kCallNames.size(); ++i) {
            made[0][i] = "waveIn" + std::string(kCallNames[i]);
            made[1][i] = "waveOut" + std::string(kCallNames[i]);
        }
        made[0][static_cast<std::size_t>(WaveCall::Queue)] = "waveInAddBuffer";
        made[1][static_cast<std::size_t>(WaveCall::Queue)] = "waveOutWrite";
        return made;
    }();
    return names[direction == WaveDirection::In ? 0 : 1][static_cast<std::size_t>(call)];
}

MmResult WaveDevices::ErrorText(MmResult result, std::string& text) {
    text = std::string(WaveResultText(result));
    return text.empty() ? MmResult::BadErrNum : MmResult::NoError;
}

// ---- the stream as a pump sees it ----

WaveStream::WaveStream(WaveCore& core, WaveDirection direction, std::uint32_t handle,
                       const PcmWaveFormat& format, Notify notify)
    : core_(core),
      direction_(direction),
      handle_(handle),
      format_(format),
      notify_(std::move(notify)) {}

std::mutex& WaveStream::Mutex() const {
    return core_.Mutex();
}

bool WaveStream::Intact(const Held& held) const {
    constexpr std::uint32_t kHeld = kWaveHeaderInQueue | kWaveHeaderPrepared;
    const WaveHeader& header = *held.header;
    return header.data == held.data && header.bufferLength == held.length &&
           (header.flags & kHeld) == kHeld;
}

WaveHeader* WaveStream::Queued(std::size_t index) {
    while (index < queue_.size() && !Intact(queue_[index])) {
        core_.Violation(
            std::string(direction_ == WaveDirection::In ? "a queued input" : "a written output") +
            " buffer's header was changed while the device held it" + HandleText(handle_));
        queue_.erase(queue_.begin() + static_cast<std::ptrdiff_t>(index));
    }
    return index < queue_.size() ? queue_[index].header : nullptr;
}

void WaveStream::ReturnFront() {
    if (Front() == nullptr)
        return;
    WaveHeader* header = queue_.front().header;
    queue_.pop_front();
    header->flags = (header->flags & ~std::uint32_t{kWaveHeaderInQueue}) | kWaveHeaderDone;
    core_.Notify(*this,
                 direction_ == WaveDirection::In ? WaveMessage::InData : WaveMessage::OutDone,
                 header);
}

void WaveStream::ReturnAll() {
    while (!queue_.empty())
        ReturnFront();
}

void WaveStream::Fail() {
    if (state_ == StreamState::Closing)
        return;
    state_ = StreamState::Failed;
    ReturnAll();
}

void WaveStream::RestartCursors() {
    for (Held& held : queue_) {
        held.writtenBytes = 0;
        held.writtenWhole = false;
        held.end = 0;
    }
    captured_ = 0;
    written_ = 0;
    played_ = 0;
}

// ---- the capture cursor ----

std::span<std::uint8_t> WaveStream::CaptureRoom() {
    const std::uint32_t frame = format_.blockAlign;
    while (WaveHeader* header = Front()) {
        const std::uint32_t room = (header->bufferLength - header->bytesRecorded) / frame * frame;
        if (room > 0)
            return {header->data + header->bytesRecorded, room};
        ReturnFront();  // too short for a single frame: full as it is
    }
    return {};
}

void WaveStream::Captured(std::uint32_t bytes) {
    WaveHeader* header = Front();
    if (header == nullptr)
        return;
    header->bytesRecorded += bytes;
    captured_ += bytes;
    if (header->bufferLength - header->bytesRecorded < format_.blockAlign)
        ReturnFront();
}

std::size_t WaveStream::Capture(std::span<const std::uint8_t> bytes) {
    const std::uint32_t frame = format_.blockAlign;
    std::size_t taken = 0;
    while (bytes.size() - taken >= frame) {
        const std::span<std::uint8_t> room = CaptureRoom();
        if (room.empty())
            break;  // no buffer waiting: the rest is lost
        const std::size_t count = std::min(room.size(), (bytes.size() - taken) / frame * frame);
        std::memcpy(room.data(), bytes.data() + taken, count);
        Captured(static_cast<std::uint32_t>(count));
        taken += count;
    }
    return taken;
}

// ---- the playback cursor ----

WaveStream::Held* WaveStream::Writing() {
    const std::uint32_t frame = format_.blockAlign;
    for (std::size_t index = 0; Queued(index) != nullptr; ++index) {
        Held& held = queue_[index];
        if (held.writtenWhole)
            continue;
        if (held.length - held.writtenBytes >= frame)
            return &held;
        // Nothing (more) of it can be played: it ends where the writing stands.
        held.writtenWhole = true;
        held.end = written_;
    }
    return nullptr;
}

std::span<const std::uint8_t> WaveStream::Unwritten() {
    const Held* held = Writing();
    if (held == nullptr)
        return {};
    const std::uint32_t frame = format_.blockAlign;
    return {held->data + held->writtenBytes, (held->length - held->writtenBytes) / frame * frame};
}

void WaveStream::Wrote(std::uint32_t bytes) {
    Held* held = Writing();
    if (held == nullptr)
        return;
    held->writtenBytes += bytes;
    written_ += bytes;
    if (held->length - held->writtenBytes < format_.blockAlign) {
        held->writtenWhole = true;
        held->end = written_;
    }
}

void WaveStream::Played(std::uint64_t position) {
    played_ = std::max(played_, std::min(position, written_));
    // A buffer of less than a frame is written whole as soon as the one before it.
    Writing();
    while (Front() != nullptr && queue_.front().writtenWhole && queue_.front().end <= played_)
        ReturnFront();
}

// ---- the typed interfaces ----

class WaveCore::InFacade final : public WaveInApi {
  public:
    explicit InFacade(WaveCore& core) : core_(core) {}

    std::uint32_t GetNumDevs() override { return core_.GetNumDevs(WaveDirection::In); }
    MmResult GetDevCaps(std::uint32_t deviceId, WaveInCaps& caps) override {
        WaveDeviceCaps found;
        const MmResult result = core_.GetDevCaps(WaveDirection::In, deviceId, found);
        if (result == MmResult::NoError) {
            caps = WaveInCaps{found.manufacturerId,         found.productId, found.driverVersion,
                              std::move(found.productName), found.formats,   found.channels};
        }
        return result;
    }
    MmResult Open(WaveInHandle& handle, std::uint32_t deviceId, const PcmWaveFormat& format,
                  WaveInCallback callback) override {
        std::uint32_t opened = 0;
        const MmResult result =
            core_.Open(WaveDirection::In, opened, deviceId, format,
                       [callback = std::move(callback)](std::uint32_t id, WaveMessage message,
                                                        WaveHeader* header) {
                           if (callback)
                               callback(WaveInHandle{id}, message, header);
                       });
        handle = WaveInHandle{opened};
        return result;
    }
    MmResult PrepareHeader(WaveInHandle handle, WaveHeader& header) override {
        return core_.Prepare(WaveDirection::In, handle.value, header);
    }
    MmResult UnprepareHeader(WaveInHandle handle, WaveHeader& header) override {
        return core_.Unprepare(WaveDirection::In, handle.value, header);
    }
    MmResult AddBuffer(WaveInHandle handle, WaveHeader& header) override {
        return core_.Queue(WaveDirection::In, handle.value, header);
    }
    MmResult Start(WaveInHandle handle) override { return core_.Start(handle.value); }
    MmResult Stop(WaveInHandle handle) override { return core_.Stop(handle.value); }
    MmResult Reset(WaveInHandle handle) override {
        return core_.Reset(WaveDirection::In, handle.value);
    }
    MmResult GetPosition(WaveInHandle handle, std::uint32_t& bytes) override {
        return core_.GetPosition(WaveDirection::In, handle.value, bytes);
    }
    MmResult Close(WaveInHandle handle) override {
        return core_.Close(WaveDirection::In, handle.value);
    }
    MmResult GetErrorText(MmResult result, std::string& text) override {
        return core_.GetErrorText(WaveDirection::In, result, text);
    }

  private:
    WaveCore& core_;
};

class WaveCore::OutFacade final : public WaveOutApi {
  public:
    explicit OutFacade(WaveCore& core) : core_(core) {}

    std::uint32_t GetNumDevs() override { return core_.GetNumDevs(WaveDirection::Out); }
    MmResult GetDevCaps(std::uint32_t deviceId, WaveOutCaps& caps) override {
        WaveDeviceCaps found;
        const MmResult result = core_.GetDevCaps(WaveDirection::Out, deviceId, found);
        if (result == MmResult::NoError) {
            caps = WaveOutCaps{found.manufacturerId, found.productId,
                               found.driverVersion,  std::move(found.productName),
                               found.formats,        found.channels,
                               found.support};
        }
        return result;
    }
    MmResult Open(WaveOutHandle& handle, std::uint32_t deviceId, const PcmWaveFormat& format,
                  WaveOutCallback callback) override {
        std::uint32_t opened = 0;
        const MmResult result =
            core_.Open(WaveDirection::Out, opened, deviceId, format,
                       [callback = std::move(callback)](std::uint32_t id, WaveMessage message,
                                                        WaveHeader* header) {
                           if (callback)
                               callback(WaveOutHandle{id}, message, header);
                       });
        handle = WaveOutHandle{opened};
        return result;
    }
    MmResult PrepareHeader(WaveOutHandle handle, WaveHeader& header) override {
        return core_.Prepare(WaveDirection::Out, handle.value, header);
    }
    MmResult UnprepareHeader(WaveOutHandle handle, WaveHeader& header) override {
        return core_.Unprepare(WaveDirection::Out, handle.value, header);
    }
    MmResult Write(WaveOutHandle handle, WaveHeader& header) override {
        return core_.Queue(WaveDirection::Out, handle.value, header);
    }
    MmResult GetPosition(WaveOutHandle handle, std::uint32_t& bytes) override {
        return core_.GetPosition(WaveDirection::Out, handle.value, bytes);
    }
    MmResult Reset(WaveOutHandle handle) override {
        return core_.Reset(WaveDirection::Out, handle.value);
    }
    MmResult Close(WaveOutHandle handle) override {
        return core_.Close(WaveDirection::Out, handle.value);
    }
    MmResult GetErrorText(MmResult result, std::string& text) override {
        return core_.GetErrorText(WaveDirection::Out, result, text);
    }

  private:
    WaveCore& core_;
};

// ---- the core ----

WaveCore::WaveCore(WaveDevices& inputs, WaveDevices& outputs, WaveCoreOptions options)
    : inputDevices_(inputs),
      outputDevices_(outputs),
      options_(std::move(options)),
      waveIn_(std::make_unique<InFacade>(*this)),
      waveOut_(std::make_unique<OutFacade>(*this)) {}

WaveCore::~WaveCore() {
    deliveryThread_.Stop();
    std::vector<std::unique_ptr<WavePump>> left;
    {
        std::lock_guard lock(mutex_);
        pending_.clear();  // nobody may be left to receive them
        for (WaveDirection direction : {WaveDirection::In, WaveDirection::Out}) {
            for (auto& [handle, stream] : Table(direction)) {
                Violation(
                    std::string(direction == WaveDirection::In ? "wave input" : "wave output") +
                    " device left open" + HandleText(handle) + ", " +
                    std::to_string(stream->queue_.size()) + " buffers queued");
                stream->state_ = StreamState::Closing;
                left.push_back(std::move(stream->pump_));
            }
        }
    }
    // Ends their threads and devices; the buffers still queued are abandoned untouched.
    for (std::unique_ptr<WavePump>& pump : left) {
        if (pump)
            pump->Shutdown();
    }
}

WaveInApi& WaveCore::WaveIn() {
    return *waveIn_;
}

WaveOutApi& WaveCore::WaveOut() {
    return *waveOut_;
}

void WaveCore::SetBackgroundDelivery(bool background) {
    std::lock_guard lock(mutex_);
    backgroundDelivery_ = background;
    // A Close waiting for a thread that no longer delivers now delivers itself.
    changed_.notify_all();
}

void WaveCore::StartDeliveryThread() {
    std::lock_guard lock(mutex_);
    if (deliveryThread_.Running())
        return;
    backgroundDelivery_ = true;
    deliveryThread_.Start(
        mutex_, [this] { changed_.notify_all(); }, [this] { DeliveryLoop(); });
}

void WaveCore::DeliveryLoop() {
    std::unique_lock lock(mutex_);
    while (!deliveryThread_.StopRequested()) {
        changed_.wait(lock, [this] {
            return deliveryThread_.StopRequested() || (!pending_.empty() && !running_);
        });
        DeliverPending(lock);
    }
}

void WaveCore::WaitForWork(std::unique_lock<std::mutex>& lock, std::chrono::milliseconds atMost) {
    changed_.wait_for(lock, atMost, [this] { return !pending_.empty(); });
}

void WaveCore::SetViolationHandler(std::function<void(std::string_view message)> handler) {
    std::lock_guard lock(mutex_);
    options_.onViolation = std::move(handler);
}

void WaveCore::SetCallHook(std::function<MmResult(WaveDirection direction, WaveCall call)> hook) {
    std::lock_guard lock(mutex_);
    options_.onCall = std::move(hook);
}

void WaveCore::Violation(std::string message) {
    if (options_.onViolation)
        options_.onViolation(message);
}

std::size_t WaveCore::OpenStreamCount(WaveDirection direction) const {
    return Table(direction).size();
}

MmResult WaveCore::EnterCall(WaveDirection direction, WaveCall call) {
    const MmResult counted = options_.onCall ? options_.onCall(direction, call) : MmResult::NoError;
    if (InDeviceCallback()) {
        Violation(std::string(WaveCallName(direction, call)) +
                  " called from inside a device callback");
        return MmResult::Error;
    }
    return counted;
}

MmResult WaveCore::EnterStreamCall(WaveDirection direction, WaveCall call, std::uint32_t handle,
                                   WaveStream*& stream) {
    stream = nullptr;
    if (const MmResult entered = EnterCall(direction, call); entered != MmResult::NoError)
        return entered;
    StreamTable& table = Table(direction);
    const auto found = table.find(handle);
    if (found == table.end() || found->second->state_ == StreamState::Closing) {
        Violation(std::string(WaveCallName(direction, call)) + " on a handle that is not open" +
                  HandleText(handle));
        return MmResult::InvalHandle;
    }
    stream = found->second.get();
    return MmResult::NoError;
}

void WaveCore::Notify(WaveStream& stream, WaveMessage message, WaveHeader* header) {
    pending_.push_back(Pending{stream.handle_, stream.direction_, stream.notify_, message, header});
    changed_.notify_all();
    if (stream.pump_)
        stream.pump_->Wake();
}

void WaveCore::DeliverPending(std::unique_lock<std::mutex>& lock) {
    while (!pending_.empty()) {
        if (running_) {
            // Another thread is making a callback; they go one at a time, in order.
            changed_.wait(lock);
            continue;
        }
        Pending next = std::move(pending_.front());
        pending_.pop_front();
        running_ = Running{next.handle, next.direction};
        lock.unlock();
        bool threw = false;
        {
            CallbackScope scope(CallbackKind::WaveDevice);
            try {
                if (next.notify)
                    next.notify(next.handle, next.message, next.header);
            } catch (...) {
                threw = true;
            }
        }
        lock.lock();
        running_.reset();
        if (threw)
            Violation("a device callback threw an exception" + HandleText(next.handle));
        changed_.notify_all();
    }
}

bool WaveCore::HandleQuiet(WaveDirection direction, std::uint32_t handle) const {
    if (running_ && running_->direction == direction && running_->handle == handle)
        return false;
    for (const Pending& pending : pending_) {
        if (pending.direction == direction && pending.handle == handle)
            return false;
    }
    return true;
}

void WaveCore::DrainHandle(std::unique_lock<std::mutex>& lock, WaveDirection direction,
                           std::uint32_t handle) {
    while (!HandleQuiet(direction, handle)) {
        if (!backgroundDelivery_ && !running_) {
            DeliverPending(lock);
        } else {
            changed_.wait(lock);
        }
    }
}

// ---- the calls ----

std::uint32_t WaveCore::GetNumDevs(WaveDirection direction) {
    {
        std::lock_guard lock(mutex_);
        if (EnterCall(direction, WaveCall::GetNumDevs) != MmResult::NoError)
            return 0;
    }
    return Devices(direction).CountDevices();
}

MmResult WaveCore::GetDevCaps(WaveDirection direction, std::uint32_t deviceId,
                              WaveDeviceCaps& caps) {
    {
        std::lock_guard lock(mutex_);
        if (const MmResult entered = EnterCall(direction, WaveCall::GetDevCaps);
            entered != MmResult::NoError) {
            return entered;
        }
    }
    return Devices(direction).DeviceCaps(deviceId, caps);
}

MmResult WaveCore::Open(WaveDirection direction, std::uint32_t& handle, std::uint32_t deviceId,
                        const PcmWaveFormat& format, WaveStream::Notify notify) {
    handle = 0;
    std::lock_guard lock(mutex_);
    if (const MmResult entered = EnterCall(direction, WaveCall::Open);
        entered != MmResult::NoError) {
        return entered;
    }
    if (!IsWaveFormatUsable(format))
        return MmResult::WaveBadFormat;
    const std::uint32_t opening = nextHandle_;
    auto stream = std::unique_ptr<WaveStream>(
        new WaveStream(*this, direction, opening, format, std::move(notify)));
    std::unique_ptr<WavePump> pump;
    const MmResult opened = Devices(direction).OpenDevice(deviceId, format, *stream, pump);
    if (opened != MmResult::NoError)
        return opened;
    if (!pump)
        return MmResult::Error;
    ++nextHandle_;
    stream->pump_ = std::move(pump);
    WaveStream& added = *stream;
    Table(direction).emplace(opening, std::move(stream));
    handle = opening;
    Notify(added, direction == WaveDirection::In ? WaveMessage::InOpen : WaveMessage::OutOpen,
           nullptr);
    return MmResult::NoError;
}

MmResult WaveCore::Prepare(WaveDirection direction, std::uint32_t handle, WaveHeader& header) {
    std::lock_guard lock(mutex_);
    WaveStream* stream = nullptr;
    if (const MmResult entered =
            EnterStreamCall(direction, WaveCall::PrepareHeader, handle, stream);
        entered != MmResult::NoError) {
        return entered;
    }
    if (header.data == nullptr || header.bufferLength == 0)
        return MmResult::InvalParam;
    header.flags |= kWaveHeaderPrepared;
    return MmResult::NoError;
}

MmResult WaveCore::Unprepare(WaveDirection direction, std::uint32_t handle, WaveHeader& header) {
    std::lock_guard lock(mutex_);
    WaveStream* stream = nullptr;
    if (const MmResult entered =
            EnterStreamCall(direction, WaveCall::UnprepareHeader, handle, stream);
        entered != MmResult::NoError) {
        return entered;
    }
    if ((header.flags & kWaveHeaderInQueue) != 0) {
        Violation(std::string(WaveCallName(direction, WaveCall::UnprepareHeader)) +
                  " on a buffer the device still holds" + HandleText(handle));
        return MmResult::WaveStillPlaying;
    }
    header.flags &= ~std::uint32_t{kWaveHeaderPrepared};
    return MmResult::NoError;
}

MmResult WaveCore::Queue(WaveDirection direction, std::uint32_t handle, WaveHeader& header) {
    std::lock_guard lock(mutex_);
    WaveStream* stream = nullptr;
    if (const MmResult entered = EnterStreamCall(direction, WaveCall::Queue, handle, stream);
        entered != MmResult::NoError) {
        return entered;
    }
    const std::string_view name = WaveCallName(direction, WaveCall::Queue);
    if ((header.flags & kWaveHeaderPrepared) == 0) {
        Violation(std::string(name) + " with a buffer that is not prepared" + HandleText(handle));
        return MmResult::WaveUnprepared;
    }
    if ((header.flags & kWaveHeaderInQueue) != 0) {
        Violation(std::string(name) + " with a buffer that is already queued" + HandleText(handle));
        return MmResult::WaveStillPlaying;
    }
    if (stream->state_ == StreamState::Failed)
        return MmResult::NoDriver;
    header.flags = (header.flags & ~std::uint32_t{kWaveHeaderDone}) | kWaveHeaderInQueue;
    if (direction == WaveDirection::In)
        header.bytesRecorded = 0;
    stream->queue_.push_back(WaveStream::Held{&header, header.data, header.bufferLength});
    stream->pump_->Wake();
    return MmResult::NoError;
}

MmResult WaveCore::Start(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    WaveStream* stream = nullptr;
    if (const MmResult entered =
            EnterStreamCall(WaveDirection::In, WaveCall::Start, handle, stream);
        entered != MmResult::NoError) {
        return entered;
    }
    if (stream->state_ == StreamState::Failed)
        return MmResult::NoDriver;
    if (stream->state_ == StreamState::Started)
        return MmResult::NoError;
    const MmResult started = stream->pump_->Start();
    if (started == MmResult::NoError && stream->state_ == StreamState::Open)
        stream->state_ = StreamState::Started;
    stream->pump_->Wake();
    return started;
}

MmResult WaveCore::Stop(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    WaveStream* stream = nullptr;
    if (const MmResult entered = EnterStreamCall(WaveDirection::In, WaveCall::Stop, handle, stream);
        entered != MmResult::NoError) {
        return entered;
    }
    if (stream->state_ == StreamState::Failed)
        return MmResult::NoDriver;
    if (stream->state_ != StreamState::Started)
        return MmResult::NoError;
    const MmResult stopped = stream->pump_->Stop();
    if (stream->state_ == StreamState::Failed)
        return MmResult::NoError;  // the buffers came back with the failure
    stream->state_ = StreamState::Open;
    // The buffer being filled comes back with what it holds; empty ones stay queued.
    if (WaveHeader* front = stream->Front(); front != nullptr && front->bytesRecorded > 0)
        stream->ReturnFront();
    stream->pump_->Wake();
    return stopped;
}

MmResult WaveCore::Reset(WaveDirection direction, std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    WaveStream* stream = nullptr;
    if (const MmResult entered = EnterStreamCall(direction, WaveCall::Reset, handle, stream);
        entered != MmResult::NoError) {
        return entered;
    }
    if (stream->state_ != StreamState::Failed) {
        stream->pump_->Reset();
        if (stream->state_ == StreamState::Started)
            stream->state_ = StreamState::Open;
        stream->RestartCursors();
    }
    stream->ReturnAll();
    stream->pump_->Wake();
    return MmResult::NoError;
}

MmResult WaveCore::GetPosition(WaveDirection direction, std::uint32_t handle,
                               std::uint32_t& bytes) {
    std::lock_guard lock(mutex_);
    WaveStream* stream = nullptr;
    if (const MmResult entered = EnterStreamCall(direction, WaveCall::GetPosition, handle, stream);
        entered != MmResult::NoError) {
        return entered;
    }
    if (stream->state_ != StreamState::Failed)
        stream->pump_->CatchUp();
    bytes = static_cast<std::uint32_t>(stream->Position());
    return stream->state_ == StreamState::Failed ? MmResult::NoDriver : MmResult::NoError;
}

MmResult WaveCore::Close(WaveDirection direction, std::uint32_t handle) {
    std::unique_lock lock(mutex_);
    WaveStream* stream = nullptr;
    if (const MmResult entered = EnterStreamCall(direction, WaveCall::Close, handle, stream);
        entered != MmResult::NoError) {
        return entered;
    }
    if (!stream->queue_.empty())
        return MmResult::WaveStillPlaying;
    // From here on every other call on the handle is refused, and no buffer can join.
    stream->state_ = StreamState::Closing;
    stream->pump_->Wake();
    DrainHandle(lock, direction, handle);
    Notify(*stream, direction == WaveDirection::In ? WaveMessage::InClose : WaveMessage::OutClose,
           nullptr);
    DrainHandle(lock, direction, handle);
    std::unique_ptr<WavePump> pump = std::move(stream->pump_);
    lock.unlock();
    pump->Shutdown();
    pump.reset();
    lock.lock();
    Table(direction).erase(handle);
    return MmResult::NoError;
}

MmResult WaveCore::GetErrorText(WaveDirection direction, MmResult result, std::string& text) {
    text.clear();
    {
        std::lock_guard lock(mutex_);
        if (const MmResult entered = EnterCall(direction, WaveCall::GetErrorText);
            entered != MmResult::NoError) {
            return entered;
        }
    }
    return Devices(direction).ErrorText(result, text);
}

}  // namespace zav::platform
