// The capture engine and the simulated card on real threads: the card's own device thread
// calls back while the dialog thread re-queues. Run under ThreadSanitizer in CI.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/sim/sim_sound_card.h"
#include "platform/testing/dialog_thread.h"
#include "platform/testing/manual_dispatcher.h"
#include "platform/testing/memory_registry.h"
#include "tests/support/capture_test_support.h"
#include "voxgauge/capture_format.h"
#include "voxgauge/mic_capture.h"

namespace voxgauge {
namespace {

using namespace std::chrono_literals;
using zav::platform::MmResult;
using zav::platform::sim::DialogThread;
using zav::platform::sim::ManualDispatcher;
using zav::platform::sim::MemoryRegistry;
using zav::platform::sim::SimCardConfig;
using zav::platform::sim::SimSoundCard;
using zav::platform::sim::SineMic;

SimCardConfig LoudCard() {
    SimCardConfig config;
    config.mic = SineMic(5000, 441.0);
    return config;
}

TEST(MicCaptureThreaded, BuffersCirculateInRealTimeWhileTheDialogPollsTheLevel) {
    MemoryRegistry registry;
    SimSoundCard card(LoudCard());
    capture_test::FailOnViolation(card);
    ManualDispatcher dispatcher;  // this thread is the dialog thread
    card.StartThreads(5ms);
    {
        std::size_t messages = 0;
        CMicCapture capture(card.WaveIn(), registry);
        capture.SetNotifyWindow(MicNotifyWindow{&dispatcher, [&](const MicBufferMessage& m) {
                                                    ++messages;
                                                    capture.OnBufferReturned(m);
                                                }});
        ASSERT_EQ(capture.Open(kVoxGaugeFormatCode), MmResult::NoError);
        capture.ResetMicMap();
        ASSERT_EQ(capture.Start(), MmResult::NoError);

        std::uint32_t level = 0;
        for (int tick = 0; tick < 25; ++tick) {  // the dialog's 100 ms timer, 2.5 s
            dispatcher.RunFor(100ms);
            level = capture.GetLevel();
        }
        EXPECT_GE(messages, 12u);  // 20 in 2.5 s; slack for slow sanitizer builds
        EXPECT_EQ(level, 12u);
        EXPECT_EQ(card.InputOverrunFrames(), 0u);

        EXPECT_EQ(capture.Stop(), MmResult::NoError);
        capture.Close();
        capture.Close();
        dispatcher.RunPending();
        EXPECT_EQ(card.OpenInputCount(), 0u);
    }
    card.StopThreads();
    EXPECT_EQ(card.ViolationCount(), 0u);
}

TEST(MicCaptureThreaded, ClosingWhileBuffersComeBackIsClean) {
    MemoryRegistry registry;
    SimSoundCard card(LoudCard());
    capture_test::FailOnViolation(card);
    ManualDispatcher dispatcher;
    card.StartThreads(1ms);
    for (int round = 0; round < 6; ++round) {
        CMicCapture capture(card.WaveIn(), registry, MicNotifyWindow{&dispatcher, {}});
        ASSERT_EQ(capture.Open(kVoxGaugeFormatCode), MmResult::NoError);
        ASSERT_EQ(capture.Start(), MmResult::NoError);
        dispatcher.RunFor(std::chrono::milliseconds(60 * round));
        capture.Close();  // messages still queued are dropped once the engine is gone
    }
    dispatcher.RunPending();
    card.StopThreads();
    EXPECT_EQ(card.OpenInputCount(), 0u);
    EXPECT_EQ(card.ViolationCount(), 0u);
}

TEST(MicCaptureThreaded, EngineLivesOnItsOwnDialogThread) {
    MemoryRegistry registry;
    SimSoundCard card(LoudCard());
    capture_test::FailOnViolation(card);
    card.StartThreads(5ms);
    {
        DialogThread dialog;
        std::optional<CMicCapture> capture;
        EXPECT_TRUE(dialog.Send([&] {
            capture.emplace(card.WaveIn(), registry, MicNotifyWindow{&dialog, {}});
            ASSERT_EQ(capture->Open(kVoxGaugeFormatCode), MmResult::NoError);
            capture->ResetMicMap();
            capture->Start();
        }));
        // Any thread may read the level.
        std::uint32_t level = 0;
        for (int tick = 0; tick < 20 && level != 12; ++tick) {
            std::this_thread::sleep_for(100ms);
            level = capture->GetLevel();
        }
        EXPECT_EQ(level, 12u);
        EXPECT_TRUE(dialog.Send([&] { capture.reset(); }));
    }
    card.StopThreads();
    EXPECT_EQ(card.OpenInputCount(), 0u);
}

TEST(SimOutputThreaded, PlaysABufferInRealTime) {
    SimSoundCard card;
    capture_test::FailOnViolation(card);
    card.StartThreads(2ms);
    std::mutex mutex;
    std::condition_variable doneSignal;
    bool done = false;
    const zav::platform::PcmWaveFormat mono{zav::platform::kWaveFormatPcm, 1, 22050, 44100, 2, 16};
    zav::platform::WaveOutHandle handle;
    ASSERT_EQ(card.WaveOut().Open(handle, 0, mono,
                                  [&](zav::platform::WaveOutHandle, zav::platform::WaveMessage m,
                                      zav::platform::WaveHeader*) {
                                      if (m != zav::platform::WaveMessage::OutDone)
                                          return;
                                      std::lock_guard lock(mutex);
                                      done = true;
                                      doneSignal.notify_all();
                                  }),
              MmResult::NoError);
    std::vector<std::uint8_t> sound(13230, 0x5A);  // 150 ms
    zav::platform::WaveHeader header;
    header.data = sound.data();
    header.bufferLength = static_cast<std::uint32_t>(sound.size());
    card.WaveOut().PrepareHeader(handle, header);
    card.WaveOut().Write(handle, header);
    {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(doneSignal.wait_for(lock, 10s, [&] { return done; }));
    }
    EXPECT_EQ(card.PlayedBytes(0), sound);
    card.WaveOut().UnprepareHeader(handle, header);
    EXPECT_EQ(card.WaveOut().Close(handle), MmResult::NoError);
    card.StopThreads();
}

}  // namespace
}  // namespace voxgauge
