// The pump's transfer between the stream's buffers and its ring of device buffers, and the end
// of a stream whose device has failed. Every function here runs with the core's mutex held,
// mostly on the device thread.

#include <algorithm>
#include <cstring>

#include "platform/winmm/winmm_wave_pump.h"

namespace zav::platform::winmm {

namespace {

bool Done(const WAVEHDR& header) {
    return (header.dwFlags & WHDR_DONE) != 0;
}

}  // namespace

void WinmmWavePump::TransferLocked() {
    switch (stream_.State()) {
        case StreamState::Failed:
        case StreamState::Closing:
            return;
        case StreamState::Open:
        case StreamState::Started:
            break;
    }
    if (stream_.Direction() == WaveDirection::In) {
        HarvestCaptureLocked(stream_.Recording());
        return;
    }
    HarvestPlayedLocked();
    WritePlaybackLocked();
    CompletePlayedLocked();
}

void WinmmWavePump::HarvestCaptureLocked(bool deliver) {
    while (!inDevice_.empty() && Done(ring_[inDevice_.front()].header)) {
        const std::size_t index = inDevice_.front();
        inDevice_.pop_front();
        DeviceBuffer& buffer = ring_[index];
        if (deliver)
            DeliverCapturedLocked(buffer.data.data(), buffer.header.dwBytesRecorded);
        buffer.header.dwBytesRecorded = 0;
        if (device_->Queue(buffer.header) != MmResult::NoError) {
            FailLocked();
            return;
        }
        inDevice_.push_back(index);
    }
}

void WinmmWavePump::DeliverCapturedLocked(const std::uint8_t* bytes, std::uint32_t length) {
    std::uint32_t offset = 0;
    while (length - offset >= frameBytes_) {
        WaveHeader* header = stream_.Front();
        if (header == nullptr)
            return;  // no buffer waiting: the samples are lost, as on the host
        const std::uint32_t room =
            (header->bufferLength - header->bytesRecorded) / frameBytes_ * frameBytes_;
        if (room == 0) {
            stream_.ReturnFront();  // too short for a single frame: full as it is
            continue;
        }
        const std::uint32_t count = std::min(room, (length - offset) / frameBytes_ * frameBytes_);
        std::memcpy(header->data + header->bytesRecorded, bytes + offset, count);
        header->bytesRecorded += count;
        position_ += count;
        offset += count;
        if (header->bufferLength - header->bytesRecorded < frameBytes_)
            stream_.ReturnFront();
    }
}

void WinmmWavePump::HarvestPlayedLocked() {
    while (!inDevice_.empty() && Done(ring_[inDevice_.front()].header)) {
        const std::size_t index = inDevice_.front();
        inDevice_.pop_front();
        DeviceBuffer& buffer = ring_[index];
        device_->Unprepare(buffer.header);
        played_ = std::max(played_, buffer.end);
        idle_.push_back(index);
    }
}

void WinmmWavePump::WritePlaybackLocked() {
    // The first written_.size() stream buffers are written whole; the next one is being written
    // from headOffset_.
    while (!Failed() && !idle_.empty() && written_.size() < stream_.QueuedCount()) {
        WaveHeader* header = stream_.Queued(written_.size());
        if (header == nullptr)
            break;
        const std::uint32_t left = (header->bufferLength - headOffset_) / frameBytes_ * frameBytes_;
        if (left > 0) {
            const std::size_t index = idle_.back();
            DeviceBuffer& buffer = ring_[index];
            const auto count =
                static_cast<std::uint32_t>(std::min<std::size_t>(left, buffer.data.size()));
            std::memcpy(buffer.data.data(), header->data + headOffset_, count);
            buffer.header = WAVEHDR{};
            buffer.header.lpData = reinterpret_cast<LPSTR>(buffer.data.data());
            buffer.header.dwBufferLength = count;
            if (device_->Prepare(buffer.header) != MmResult::NoError) {
                FailLocked();
                return;
            }
            if (device_->Queue(buffer.header) != MmResult::NoError) {
                device_->Unprepare(buffer.header);
                FailLocked();
                return;
            }
            idle_.pop_back();
            inDevice_.push_back(index);
            headOffset_ += count;
            position_ += count;
            buffer.end = position_;
        }
        if (header->bufferLength - headOffset_ < frameBytes_) {
            written_.push_back(position_);
            headOffset_ = 0;
        }
    }
}

void WinmmWavePump::CompletePlayedLocked() {
    while (!written_.empty() && written_.front() <= played_) {
        written_.pop_front();
        stream_.ReturnFront();
    }
}

void WinmmWavePump::ForgetWrittenLocked() {
    // After a reset every device buffer is back, done: take them all in without a word.
    if (stream_.Direction() == WaveDirection::Out) {
        for (std::size_t index : inDevice_) {
            device_->Unprepare(ring_[index].header);
            idle_.push_back(index);
        }
        inDevice_.clear();
    }
    written_.clear();
    headOffset_ = 0;
}

void WinmmWavePump::FailLocked() {
    device_->Reset();
    ForgetWrittenLocked();
    inDevice_.clear();  // capture: still prepared; Shutdown unprepares them
    stream_.Fail();
}

}  // namespace zav::platform::winmm
