#include "loop_recorder.h"

namespace winmm_test {

using zav::platform::MmResult;
using zav::platform::WaveHeader;
using zav::platform::WaveInHandle;
using zav::platform::WaveMessage;

LoopRecorder::LoopRecorder(zav::platform::WaveInApi& waveIn, std::uint32_t deviceId,
                           const zav::platform::PcmWaveFormat& format, std::uint32_t bufferBytes,
                           std::size_t bufferCount)
    : waveIn_(waveIn),
      deviceId_(deviceId),
      format_(format),
      data_(bufferCount, std::vector<std::uint8_t>(bufferBytes)) {
    for (std::vector<std::uint8_t>& data : data_) {
        WaveHeader& header = headers_.emplace_back();
        header.data = data.data();
        header.bufferLength = bufferBytes;
    }
}

LoopRecorder::~LoopRecorder() {
    if (handle_)
        Finish();
}

MmResult LoopRecorder::Start() {
    if (const MmResult opened =
            waveIn_.Open(handle_, deviceId_, format_,
                         [this](WaveInHandle, WaveMessage message, WaveHeader* header) {
                             if (message != WaveMessage::InData)
                                 return;
                             std::lock_guard lock(mutex_);
                             waiting_.push_back(header);
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
        if (const MmResult added = waveIn_.AddBuffer(handle_, header); added != MmResult::NoError)
            return added;
    }
    return waveIn_.Start(handle_);
}

void LoopRecorder::TakeReturned(std::unique_lock<std::mutex>& lock) {
    while (!waiting_.empty()) {
        WaveHeader* header = waiting_.front();
        waiting_.pop_front();
        lock.unlock();
        const auto* first = reinterpret_cast<const std::int16_t*>(header->data);
        samples_.insert(samples_.end(), first, first + header->bytesRecorded / 2);
        header->bytesRecorded = 0;
        if (requeue_)
            waveIn_.AddBuffer(handle_, *header);
        lock.lock();
    }
}

void LoopRecorder::Pump(std::chrono::milliseconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    std::unique_lock lock(mutex_);
    while (std::chrono::steady_clock::now() < deadline) {
        returned_.wait_until(lock, deadline, [this] { return !waiting_.empty(); });
        TakeReturned(lock);
    }
}

MmResult LoopRecorder::Finish() {
    if (!handle_)
        return MmResult::InvalHandle;
    waveIn_.Stop(handle_);
    {
        // The buffer being filled comes back with what it holds.
        std::unique_lock lock(mutex_);
        requeue_ = false;
        TakeReturned(lock);
    }
    waveIn_.Reset(handle_);
    for (WaveHeader& header : headers_)
        waveIn_.UnprepareHeader(handle_, header);
    const MmResult closed = waveIn_.Close(handle_);
    std::unique_lock lock(mutex_);
    TakeReturned(lock);  // every buffer is back once Close has returned
    handle_ = {};
    return closed;
}

}  // namespace winmm_test
