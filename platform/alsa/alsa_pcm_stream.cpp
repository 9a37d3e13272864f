// The stream's wave calls, its device thread and its callbacks. The transfer between buffers
// and device is in alsa_pcm_transfer.cpp.

#include "platform/alsa/alsa_pcm_stream.h"

#include <utility>

namespace zav::platform::alsa {

namespace {

// How long the device thread sleeps in poll() at most; it also bounds how late a played buffer
// is noticed when the device does not wake the poll by itself.
constexpr int kPollTimeoutMs = 10;

thread_local bool tInCallback = false;

class CallbackScope {
  public:
    CallbackScope() { tInCallback = true; }
    ~CallbackScope() { tInCallback = false; }
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;
};

}  // namespace

bool AlsaPcmStream::InCallback() {
    return tInCallback;
}

AlsaPcmStream::AlsaPcmStream(PcmDirection direction, PcmPtr pcm, const PcmSettings& settings,
                             const PcmGeometry& geometry, Notify notify, AlsaErrorLog& errors)
    : direction_(direction),
      settings_(settings),
      geometry_(geometry),
      notify_(std::move(notify)),
      errors_(errors),
      openNotice_(direction == PcmDirection::Capture ? WaveMessage::InOpen : WaveMessage::OutOpen),
      dataNotice_(direction == PcmDirection::Capture ? WaveMessage::InData : WaveMessage::OutDone),
      closeNotice_(direction == PcmDirection::Capture ? WaveMessage::InClose
                                                      : WaveMessage::OutClose),
      pcm_(std::move(pcm)) {
    if (direction_ == PcmDirection::Capture) {
        const snd_pcm_uframes_t frames = geometry_.periodFrames > 0 ? geometry_.periodFrames : 1024;
        scratch_.resize(frames * settings_.frameBytes);
    }
    notices_.push_back(Notice{openNotice_, nullptr});
    thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

AlsaPcmStream::~AlsaPcmStream() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            notices_.clear();  // nobody may be left to receive them
            closing_ = true;
            WakeLocked();
        }
        thread_.request_stop();
        thread_.join();
    }
    std::lock_guard lock(mutex_);
    if (pcm_)
        snd_pcm_drop(pcm_.get());
    pcm_.reset();
}

MmResult AlsaPcmStream::Prepare(WaveHeader& header) {
    if (header.data == nullptr || header.bufferLength == 0)
        return MmResult::InvalParam;
    std::lock_guard lock(mutex_);
    header.flags |= kWaveHeaderPrepared;
    return MmResult::NoError;
}

MmResult AlsaPcmStream::Unprepare(WaveHeader& header) {
    std::lock_guard lock(mutex_);
    if ((header.flags & kWaveHeaderInQueue) != 0)
        return MmResult::WaveStillPlaying;
    header.flags &= ~std::uint32_t{kWaveHeaderPrepared};
    return MmResult::NoError;
}

MmResult AlsaPcmStream::Queue(WaveHeader& header) {
    std::lock_guard lock(mutex_);
    if (closed_)
        return MmResult::InvalHandle;  // a call that raced with Close
    if ((header.flags & kWaveHeaderPrepared) == 0)
        return MmResult::WaveUnprepared;
    if ((header.flags & kWaveHeaderInQueue) != 0)
        return MmResult::WaveStillPlaying;
    if (failed_)
        return MmResult::NoDriver;
    header.flags = (header.flags & ~std::uint32_t{kWaveHeaderDone}) | kWaveHeaderInQueue;
    if (direction_ == PcmDirection::Capture)
        header.bytesRecorded = 0;
    queue_.push_back(&header);
    WakeLocked();
    return MmResult::NoError;
}

MmResult AlsaPcmStream::Start() {
    std::lock_guard lock(mutex_);
    if (const MmResult usable = CaptureUsableLocked(); usable != MmResult::NoError)
        return usable;
    if (running_)
        return MmResult::NoError;
    snd_pcm_t* pcm = pcm_.get();
    if (snd_pcm_state(pcm) != SND_PCM_STATE_PREPARED) {
        if (int err = snd_pcm_prepare(pcm); err < 0)
            return errors_.Record(err, "snd_pcm_prepare", AlsaStep::Use);
    }
    if (int err = snd_pcm_start(pcm); err < 0)
        return errors_.Record(err, "snd_pcm_start", AlsaStep::Use);
    running_ = true;
    recoveries_ = 0;
    WakeLocked();
    return MmResult::NoError;
}

MmResult AlsaPcmStream::Stop() {
    std::lock_guard lock(mutex_);
    if (const MmResult usable = CaptureUsableLocked(); usable != MmResult::NoError)
        return usable;
    if (!running_)
        return MmResult::NoError;
    CaptureLocked();  // what the device has recorded so far still goes into the buffer
    if (failed_)
        return MmResult::NoError;  // the buffers have come back with the failure
    running_ = false;
    RestartDeviceLocked("stopping the device");
    if (!failed_ && !queue_.empty() && queue_.front()->bytesRecorded > 0)
        ReturnLocked(queue_.front());
    WakeLocked();
    return MmResult::NoError;
}

MmResult AlsaPcmStream::Reset() {
    std::lock_guard lock(mutex_);
    if (closed_)
        return MmResult::InvalHandle;  // a call that raced with Close
    running_ = false;
    if (!failed_)
        RestartDeviceLocked("resetting the device");
    ReturnAllLocked();
    position_ = 0;
    played_ = 0;
    WakeLocked();
    return MmResult::NoError;
}

MmResult AlsaPcmStream::Position(std::uint32_t& bytes) {
    std::lock_guard lock(mutex_);
    if (const MmResult usable = UsableLocked(); usable != MmResult::NoError)
        return usable;
    if (direction_ == PcmDirection::Capture) {
        // What the device holds already belongs to the position: fetch it into the buffer.
        if (running_) {
            CaptureLocked();
            WakeLocked();
        }
        bytes = static_cast<std::uint32_t>(position_);
    } else {
        bytes = static_cast<std::uint32_t>(PlayedLocked());
    }
    return failed_ ? MmResult::NoDriver : MmResult::NoError;
}

MmResult AlsaPcmStream::Close() {
    {
        std::lock_guard lock(mutex_);
        if (closing_ || closed_)
            return MmResult::InvalHandle;
        if (!queue_.empty() || !written_.empty())
            return MmResult::WaveStillPlaying;
        closing_ = true;
        notices_.push_back(Notice{closeNotice_, nullptr});
        WakeLocked();
    }
    thread_.join();  // after every callback, the close notice last
    std::lock_guard lock(mutex_);
    if (pcm_)
        snd_pcm_drop(pcm_.get());
    pcm_.reset();
    running_ = false;
    closed_ = true;
    return MmResult::NoError;
}

void AlsaPcmStream::Run(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (true) {
        if (!notices_.empty()) {
            DeliverOne(lock);
            continue;
        }
        if (closing_ || stop.stop_requested())
            return;
        if (WantsDeviceLocked()) {
            TransferLocked();
            if (notices_.empty() && WantsDeviceLocked())
                WaitForDeviceLocked(lock);
        } else {
            changed_.wait(lock, stop,
                          [this] { return !notices_.empty() || closing_ || WantsDeviceLocked(); });
        }
    }
}

void AlsaPcmStream::DeliverOne(std::unique_lock<std::mutex>& lock) {
    const Notice notice = notices_.front();
    notices_.pop_front();
    lock.unlock();
    {
        CallbackScope scope;
        try {
            notify_(notice.message, notice.header);
        } catch (...) {
            // A callback that throws must not end the device thread; the program's loss.
        }
    }
    lock.lock();
}

bool AlsaPcmStream::WantsDeviceLocked() const {
    if (failed_ || !pcm_)
        return false;
    if (direction_ == PcmDirection::Capture)
        return running_;
    return !queue_.empty() || !written_.empty();
}

void AlsaPcmStream::WaitForDeviceLocked(std::unique_lock<std::mutex>& lock) {
    snd_pcm_t* pcm = pcm_.get();
    const int count = snd_pcm_poll_descriptors_count(pcm);
    const std::size_t pcmFds = count > 0 ? static_cast<std::size_t>(count) : 0;
    pollFds_.assign(pcmFds + 1, pollfd{});
    if (pcmFds > 0)
        snd_pcm_poll_descriptors(pcm, pollFds_.data(), static_cast<unsigned>(pcmFds));
    pollFds_[pcmFds] = pollfd{wake_.fd(), POLLIN, 0};
    lock.unlock();
    ::poll(pollFds_.data(), pollFds_.size(), kPollTimeoutMs);
    lock.lock();
    wake_.Clear();
    if (pcm_ && pcmFds > 0) {
        // Lets the device's plugin take note of the wake-up (some signal through a pipe that
        // must be drained); the transfer then asks the device itself what is available.
        unsigned short revents = 0;
        snd_pcm_poll_descriptors_revents(pcm_.get(), pollFds_.data(), static_cast<unsigned>(pcmFds),
                                         &revents);
    }
}

void AlsaPcmStream::WakeLocked() {
    changed_.notify_all();
    wake_.Signal();
}

MmResult AlsaPcmStream::UsableLocked() const {
    if (closed_)
        return MmResult::InvalHandle;  // a call that raced with Close
    if (failed_)
        return MmResult::NoDriver;
    return MmResult::NoError;
}

MmResult AlsaPcmStream::CaptureUsableLocked() const {
    if (const MmResult usable = UsableLocked(); usable != MmResult::NoError)
        return usable;
    return direction_ == PcmDirection::Capture ? MmResult::NoError : MmResult::NotSupported;
}

void AlsaPcmStream::ReturnLocked(WaveHeader* header) {
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (*it == header) {
            if (it == queue_.begin())
                headOffset_ = 0;
            queue_.erase(it);
            break;
        }
    }
    NotifyDoneLocked(header);
}

void AlsaPcmStream::ReturnWrittenFrontLocked() {
    WaveHeader* header = written_.front().header;
    written_.pop_front();
    NotifyDoneLocked(header);
}

void AlsaPcmStream::NotifyDoneLocked(WaveHeader* header) {
    header->flags = (header->flags & ~std::uint32_t{kWaveHeaderInQueue}) | kWaveHeaderDone;
    notices_.push_back(Notice{dataNotice_, header});
}

void AlsaPcmStream::ReturnAllLocked() {
    while (!written_.empty())
        ReturnWrittenFrontLocked();
    while (!queue_.empty())
        ReturnLocked(queue_.front());
    headOffset_ = 0;
}

bool AlsaPcmStream::RestartDeviceLocked(const char* operation) {
    snd_pcm_t* pcm = pcm_.get();
    snd_pcm_drop(pcm);
    if (int err = snd_pcm_prepare(pcm); err < 0) {
        FailLocked(err, operation);
        return false;
    }
    return true;
}

}  // namespace zav::platform::alsa
