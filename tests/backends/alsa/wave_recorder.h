#pragma once
// Records from a wave-input device the way a program does: a ring of buffers that the device
// fills and returns through its callback, and that the test's thread hands back, keeping
// every sample in order. Also keeps every notice the callback received.
//
// Thread: the test's thread; the callback only queues.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/audio/wave_in.h"

namespace alsa_test {

class WaveRecorder {
  public:
    WaveRecorder(zav::platform::WaveInApi& waveIn, const zav::platform::PcmWaveFormat& format,
                 std::uint32_t bufferBytes, std::size_t bufferCount);
    // Resets and closes the device if it is still open.
    ~WaveRecorder();
    WaveRecorder(const WaveRecorder&) = delete;
    WaveRecorder& operator=(const WaveRecorder&) = delete;

    // Opens the default device and queues every buffer; the open call's result.
    zav::platform::MmResult Open();
    zav::platform::MmResult Start();
    // Takes in returned buffers for duration, handing the filled ones back.
    void Pump(std::chrono::milliseconds duration);
    // Stops, resets, takes back every buffer and closes; the close call's result.
    zav::platform::MmResult Finish();

    const std::vector<std::int16_t>& Samples() const { return samples_; }
    zav::platform::WaveInHandle Handle() const { return handle_; }
    std::vector<zav::platform::WaveMessage> Notices();

  private:
    void TakeReturned(std::unique_lock<std::mutex>& lock);
    void Queue(zav::platform::WaveHeader& header);

    zav::platform::WaveInApi& waveIn_;
    const zav::platform::PcmWaveFormat format_;
    std::vector<std::vector<std::uint8_t>> data_;
    std::deque<zav::platform::WaveHeader> headers_;  // stable addresses
    zav::platform::WaveInHandle handle_;
    std::vector<std::int16_t> samples_;

    std::mutex mutex_;
    std::condition_variable returned_;
    std::deque<zav::platform::WaveHeader*> waiting_;  // returned, not yet taken in
    std::vector<zav::platform::WaveMessage> notices_;
    std::size_t inDevice_ = 0;  // buffers queued and not yet returned
};

}  // namespace alsa_test
