// The pump's transfer between the stream's buffers and its ring of device buffers, and the end
// of a stream whose device has failed. Every function here runs with the core's mutex held,
// mostly on the device thread.

#include <algorithm>
#include <cstring>
#include <span>

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
}

void WinmmWavePump::HarvestCaptureLocked(bool deliver) {
    while (!inDevice_.empty() && Done(ring_[inDevice_.front()].header)) {
        const std::size_t index = inDevice_.front();
        inDevice_.pop_front();
        DeviceBuffer& buffer = ring_[index];
        if (deliver)
            stream_.Capture({buffer.data.data(), buffer.header.dwBytesRecorded});
        buffer.header.dwBytesRecorded = 0;
        if (device_->Queue(buffer.header) != MmResult::NoError) {
            FailLocked();
            return;
        }
        inDevice_.push_back(index);
    }
}

void WinmmWavePump::HarvestPlayedLocked() {
    while (!inDevice_.empty() && Done(ring_[inDevice_.front()].header)) {
        const std::size_t index = inDevice_.front();
        inDevice_.pop_front();
        DeviceBuffer& buffer = ring_[index];
        device_->Unprepare(buffer.header);
        stream_.Played(buffer.end);
        idle_.push_back(index);
    }
}

void WinmmWavePump::WritePlaybackLocked() {
    while (!Failed() && !idle_.empty()) {
        const std::span<const std::uint8_t> unwritten = stream_.Unwritten();
        if (unwritten.empty())
            break;
        const std::size_t index = idle_.back();
        DeviceBuffer& buffer = ring_[index];
        const std::size_t count = std::min(unwritten.size(), buffer.data.size());
        std::memcpy(buffer.data.data(), unwritten.data(), count);
        buffer.header = WAVEHDR{};
        buffer.header.lpData = reinterpret_cast<LPSTR>(buffer.data.data());
        buffer.header.dwBufferLength = static_cast<DWORD>(count);
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
        stream_.Wrote(static_cast<std::uint32_t>(count));
        buffer.end = stream_.WrittenBytes();
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
}

void WinmmWavePump::FailLocked() {
    device_->Reset();
    ForgetWrittenLocked();
    inDevice_.clear();  // capture: still prepared; Shutdown unprepares them
    stream_.Fail();
}

}  // namespace zav::platform::winmm
