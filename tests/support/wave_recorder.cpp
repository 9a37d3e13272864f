#include "tests/support/wave_recorder.h"

namespace zav::test {

using platform::MmResult;
using platform::WaveHeader;
using platform::WaveInHandle;
using platform::WaveMessage;

WaveRecorder::WaveRecorder(platform::AudioSystem& audio, const platform::PcmWaveFormat& format,
                           std::uint32_t bufferBytes, std::size_t bufferCount,
                           std::uint32_t deviceId)
    : waveIn_(audio.WaveIn()),
      format_(format),
      deviceId_(deviceId),
      data_(bufferCount, std::vector<std::uint8_t>(bufferBytes)) {
    for (std::vector<std::uint8_t>& data : data_) {
        WaveHeader& header = headers_.emplace_back();
        header.data = data.data();
        header.bufferLength = bufferBytes;
    }
}

WaveRecorder::~WaveRecorder() {
    if (handle_)
        Finish();
}

MmResult WaveRecorder::Open() {
    if (const MmResult opened =
            waveIn_.Open(handle_, deviceId_, format_,
                         [this](WaveInHandle, WaveMessage message, WaveHeader* header) {
                             std::lock_guard lock(mutex_);
                             notices_.push_back(message);
                             if (message == WaveMessage::InData) {
                                 waiting_.push_back(header);
                                 --inDevice_;
                             }
                             returned_.notify_all();
                         });
        opened != MmResult::NoError) {
        return opened;
    }
    for (WaveHeader& header : headers_) {
        if (const MmResult prepared = waveIn_.PrepareHeader(handle_, header);
            prepared != MmResult::NoError) {
            return prepared;
        }
        Queue(header);
    }
    return MmResult::NoError;
}

MmResult WaveRecorder::Start() {
    return waveIn_.Start(handle_);
}

void WaveRecorder::TakeReturned(std::unique_lock<std::mutex>& lock) {
    while (!waiting_.empty()) {
        WaveHeader* header = waiting_.front();
        waiting_.pop_front();
        const bool requeue = requeue_;
        lock.unlock();
        const auto* first = reinterpret_cast<const std::int16_t*>(header->data);
        samples_.insert(samples_.end(), first, first + header->bytesRecorded / 2);
        if (requeue)
            Queue(*header);  // clears bytesRecorded
        lock.lock();
    }
}

void WaveRecorder::Pump(std::chrono::milliseconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    std::unique_lock lock(mutex_);
    while (std::chrono::steady_clock::now() < deadline) {
        returned_.wait_until(lock, deadline, [this] { return !waiting_.empty(); });
        TakeReturned(lock);
    }
}

MmResult WaveRecorder::Finish() {
    if (!handle_)
        return MmResult::InvalHandle;
    waveIn_.Stop(handle_);
    {
        std::lock_guard lock(mutex_);
        requeue_ = false;  // what comes back now is taken in, no longer handed back
    }
    waveIn_.Reset(handle_);
    {
        std::unique_lock lock(mutex_);
        returned_.wait_for(lock, std::chrono::seconds(5), [this] { return inDevice_ == 0; });
        TakeReturned(lock);
    }
    for (WaveHeader& header : headers_)
        waveIn_.UnprepareHeader(handle_, header);
    const MmResult closed = waveIn_.Close(handle_);
    handle_ = {};
    return closed;
}

void WaveRecorder::Queue(WaveHeader& header) {
    {
        std::lock_guard lock(mutex_);
        ++inDevice_;
    }
    if (waveIn_.AddBuffer(handle_, header) != MmResult::NoError) {
        std::lock_guard lock(mutex_);
        --inDevice_;
    }
}

std::vector<WaveMessage> WaveRecorder::Notices() {
    std::lock_guard lock(mutex_);
    return notices_;
}

}  // namespace zav::test
