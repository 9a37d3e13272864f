// The wave core's rules where threads meet, on the simulated card running on its own thread.
// Run under ThreadSanitizer in CI.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/capture_test_support.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/testing/dialog_thread.h"

namespace zav::platform::sim {
namespace {

using namespace std::chrono_literals;

const PcmWaveFormat kMono16{kWaveFormatPcm, 1, 22050, 44100, 2, 16};

// Holds the first callback of a device until the test lets it go.
class HeldCallback {
  public:
    void HoldHere() {
        std::unique_lock lock(mutex_);
        held_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
    }
    void WaitUntilHeld() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return held_; });
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool released_ = false;
};

TEST(WaveCoreThreaded, ABufferQueuedWhileCloseRunsIsRefusedAndNeverReturned) {
    SimSoundCard card;
    capture_test::ViolationLog broken;
    broken.Attach(card);
    card.StartThreads(1ms);
    WaveInApi& waveIn = card.WaveIn();
    HeldCallback open;
    std::atomic<int> dataNotices{0};
    WaveInHandle handle;
    ASSERT_EQ(waveIn.Open(handle, kWaveMapper, kMono16,
                          [&](WaveInHandle, WaveMessage message, WaveHeader*) {
                              if (message == WaveMessage::InOpen)
                                  open.HoldHere();
                              if (message == WaveMessage::InData)
                                  ++dataNotices;
                          }),
              MmResult::NoError);
    std::vector<std::uint8_t> data(4410);
    WaveHeader header;
    header.data = data.data();
    header.bufferLength = static_cast<std::uint32_t>(data.size());
    ASSERT_EQ(waveIn.PrepareHeader(handle, header), MmResult::NoError);
    open.WaitUntilHeld();

    // Close waits for the open notice that is still running.
    std::atomic<MmResult> closed{MmResult::Error};
    std::thread closer([&] { closed = waveIn.Close(handle); });
    std::uint32_t position = 0;
    while (waveIn.GetPosition(handle, position) == MmResult::NoError)
        std::this_thread::yield();  // until Close has begun

    EXPECT_EQ(waveIn.AddBuffer(handle, header), MmResult::InvalHandle);
    EXPECT_EQ(header.flags & kWaveHeaderInQueue, 0u);
    open.Release();
    closer.join();
    EXPECT_EQ(closed.load(), MmResult::NoError);
    EXPECT_EQ(dataNotices.load(), 0);
    EXPECT_EQ(card.OpenInputCount(), 0u);
    // The calls that met the closing handle broke the rule and were told so.
    EXPECT_FALSE(broken.Messages().empty());
    for (const std::string& message : broken.Messages())
        EXPECT_NE(message.find("not open"), std::string::npos) << message;
}

TEST(WaveCoreThreaded, SendFromADeviceCallbackIsRefusedInsteadOfWaiting) {
    SimSoundCard card;
    capture_test::FailOnViolation(card);
    card.StartThreads(1ms);
    DialogThread dialog;
    std::vector<std::string> refused;
    std::mutex refusedMutex;
    dialog.SetViolationHandler([&](std::string_view message) {
        std::lock_guard lock(refusedMutex);
        refused.emplace_back(message);
    });
    std::atomic<bool> sent{true};
    std::atomic<bool> ran{false};
    std::atomic<bool> called{false};
    WaveOutHandle handle;
    ASSERT_EQ(card.WaveOut().Open(handle, kWaveMapper, kMono16,
                                  [&](WaveOutHandle, WaveMessage message, WaveHeader*) {
                                      if (message != WaveMessage::OutOpen)
                                          return;
                                      sent = dialog.Send([&] { ran = true; });
                                      called = true;
                                  }),
              MmResult::NoError);
    while (!called)
        std::this_thread::sleep_for(1ms);
    EXPECT_FALSE(sent.load());
    dialog.Flush();
    EXPECT_FALSE(ran.load());
    {
        std::lock_guard lock(refusedMutex);
        ASSERT_EQ(refused.size(), 1u);
        EXPECT_NE(refused[0].find("Send from inside a device"), std::string::npos) << refused[0];
    }
    // Posting is the way: it still works from the same place, and Close is not held up.
    EXPECT_EQ(card.WaveOut().Close(handle), MmResult::NoError);
}

}  // namespace
}  // namespace zav::platform::sim
