#pragma once
// Records from one wave-input device of an audio system the way a program does: a ring of
// buffers that the device fills and returns through its callback, and that the test's thread
// hands back, keeping every sample in order and every notice the callback received.
//
// Thread: the test's thread; the callback only queues.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/audio/audio_system.h"
#include "platform/audio/wave_caps.h"

namespace zav::test {

class WaveRecorder {
  public:
    WaveRecorder(platform::AudioSystem& audio, const platform::PcmWaveFormat& format,
                 std::uint32_t bufferBytes, std::size_t bufferCount,
                 std::uint32_t deviceId = platform::kWaveMapper);
    // Finishes if still open.
    ~WaveRecorder();
    WaveRecorder(const WaveRecorder&) = delete;
    WaveRecorder& operator=(const WaveRecorder&) = delete;

    // Opens the device and queues every buffer; the first failing call's result.
    platform::MmResult Open();
    platform::MmResult Start();
    // Takes in returned buffers for duration, handing the filled ones back.
    void Pump(std::chrono::milliseconds duration);
    // Stops, resets, takes back every buffer (waiting up to five seconds for them) and closes;
    // the close call's result.
    platform::MmResult Finish();

    // 16-bit samples, interleaved as recorded.
    const std::vector<std::int16_t>& Samples() const { return samples_; }
    platform::WaveInHandle Handle() const { return handle_; }
    std::vector<platform::WaveMessage> Notices();

  private:
    void TakeReturned(std::unique_lock<std::mutex>& lock);
    void Queue(platform::WaveHeader& header);

    platform::WaveInApi& waveIn_;
    const platform::PcmWaveFormat format_;
    const std::uint32_t deviceId_;
    std::vector<std::vector<std::uint8_t>> data_;
    std::deque<platform::WaveHeader> headers_;  // stable addresses
    platform::WaveInHandle handle_;
    bool requeue_ = true;
    std::vector<std::int16_t> samples_;

    std::mutex mutex_;
    std::condition_variable returned_;
    std::deque<platform::WaveHeader*> waiting_;  // returned, not yet taken in
    std::vector<platform::WaveMessage> notices_;
    std::size_t inDevice_ = 0;  // buffers queued and not yet returned
};

}  // namespace zav::test
