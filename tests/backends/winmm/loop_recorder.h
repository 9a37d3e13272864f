#pragma once
// Records from one wave-input device the way a program does: a ring of buffers that the device
// fills and returns through its callback, and that the test's thread hands back, keeping every
// sample in order.
//
// Thread: the test's thread; the callback only queues.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/audio/wave_in.h"

namespace winmm_test {

class LoopRecorder {
  public:
    LoopRecorder(zav::platform::WaveInApi& waveIn, std::uint32_t deviceId,
                 const zav::platform::PcmWaveFormat& format, std::uint32_t bufferBytes,
                 std::size_t bufferCount);
    // Finishes if still open.
    ~LoopRecorder();
    LoopRecorder(const LoopRecorder&) = delete;
    LoopRecorder& operator=(const LoopRecorder&) = delete;

    // Opens the device, queues every buffer and starts; the first failing call's result.
    zav::platform::MmResult Start();
    // Takes in returned buffers for duration, handing the filled ones back.
    void Pump(std::chrono::milliseconds duration);
    // Stops, resets, takes back every buffer and closes; the close call's result.
    zav::platform::MmResult Finish();

    const std::vector<std::int16_t>& Samples() const { return samples_; }

  private:
    void TakeReturned(std::unique_lock<std::mutex>& lock);

    zav::platform::WaveInApi& waveIn_;
    const std::uint32_t deviceId_;
    const zav::platform::PcmWaveFormat format_;
    std::vector<std::vector<std::uint8_t>> data_;
    std::deque<zav::platform::WaveHeader> headers_;  // stable addresses
    zav::platform::WaveInHandle handle_;
    bool requeue_ = true;
    std::vector<std::int16_t> samples_;

    std::mutex mutex_;
    std::condition_variable returned_;
    std::deque<zav::platform::WaveHeader*> waiting_;  // returned, not yet taken in
};

}  // namespace winmm_test
