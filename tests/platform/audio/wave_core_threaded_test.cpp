// The wave core's rules where threads meet, on the simulated card running on its own thread
// (the wave contract, wave_contract_sim_test.cpp, runs there too). Run under ThreadSanitizer in
// CI.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/sim/sim_sound_card.h"
#include "platform/testing/dialog_thread.h"
#include "tests/support/capture_test_support.h"

namespace zav::platform::sim {
namespace {

using namespace std::chrono_literals;

const PcmWaveFormat kMono16{kWaveFormatPcm, 1, 22050, 44100, 2, 16};

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
