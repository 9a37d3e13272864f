#pragma once
// The wave calls' contract, written once for every audio system: what cannot be used is
// refused before any device sees it; capture and playback stop, reset and close from every
// state with the buffers and notices the host's rules promise; wave calls from inside a
// callback are refused, not deadlocked; a buffer queued while Close runs is refused; the
// output hold lets capture open at the same time.
//
// A backend's test program includes this header once and instantiates the suite with its rig:
//
//   INSTANTIATE_TEST_SUITE_P(Alsa, WaveContract, testing::Values(WaveContractRig{...}),
//                            WaveContractName);
//
// The cases run in real time on the backend's own threads; every wait is bounded.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/audio_system.h"
#include "platform/audio/output_hold.h"
#include "platform/audio/wave_caps.h"
#include "tests/support/notice_log.h"
#include "tests/support/pcm_format.h"
#include "tests/support/wait_until.h"
#include "tests/support/wave_recorder.h"

namespace zav::platform::contracts {

struct WaveContractRig {
    std::string name;
    // The audio system under test, made anew for each case.
    std::function<std::unique_ptr<platform::AudioSystem>()> make;
    // Why its devices cannot be used here (the case skips, saying so), or nullopt.
    std::function<std::optional<std::string>(platform::AudioSystem&)> whyNotUsable;
    // How many broken rules the system has reported so far, for one that reports them (the
    // simulated card); a real backend stays quiet and leaves this empty.
    std::function<std::size_t(platform::AudioSystem&)> reportedBreaches;
};

inline void PrintTo(const WaveContractRig& rig, std::ostream* out) {
    *out << rig.name;
}

inline std::string WaveContractName(const testing::TestParamInfo<WaveContractRig>& info) {
    return info.param.name;
}

class WaveContract : public testing::TestWithParam<WaveContractRig> {
  protected:
    void SetUp() override {
        audio_ = GetParam().make();
        ASSERT_NE(audio_, nullptr);
        if (GetParam().whyNotUsable) {
            if (const std::optional<std::string> why = GetParam().whyNotUsable(*audio_))
                GTEST_SKIP() << *why;
        }
    }

    platform::WaveInApi& WaveIn() { return audio_->WaveIn(); }
    platform::WaveOutApi& WaveOut() { return audio_->WaveOut(); }

    std::unique_ptr<platform::AudioSystem> audio_;
};

namespace wave_contract {

using namespace std::chrono_literals;
using zav::platform::kWaveHeaderDone;
using zav::platform::kWaveHeaderInQueue;
using zav::platform::kWaveMapper;
using zav::platform::MmResult;
using zav::platform::PcmWaveFormat;
using zav::platform::WaveHeader;
using zav::platform::WaveInHandle;
using zav::platform::WaveMessage;
using zav::platform::WaveOutHandle;
using zav::test::NoticeLog;
using zav::test::Pcm;
using zav::test::WaitUntil;
using zav::test::WaveRecorder;

// Formats no wave device takes, each with what is wrong with it.
inline std::vector<std::pair<const char*, PcmWaveFormat>> RefusedFormats() {
    PcmWaveFormat twelveBits = Pcm(1, 22050);
    twelveBits.bitsPerSample = 12;
    PcmWaveFormat badAlign = Pcm(2, 22050);
    badAlign.blockAlign = 3;
    PcmWaveFormat badRate = Pcm(1, 22050);
    badRate.avgBytesPerSec = 22050;
    PcmWaveFormat notPcm = Pcm(1, 22050);
    notPcm.formatTag = 7;
    return {{"12 bits", twelveBits},
            {"3 channels", Pcm(3, 22050)},
            {"block align", badAlign},
            {"byte rate", badRate},
            {"not PCM", notPcm},
            {"500 Hz", Pcm(1, 500)},
            {"no channel", Pcm(0, 22050)},
            {"384 kHz", Pcm(1, 384000)},
            {"24 bits", Pcm(1, 22050, 24)},
            {"nothing set", PcmWaveFormat{}}};
}

}  // namespace wave_contract

TEST_P(WaveContract, DevicesFormatsAndHandlesThatCannotBeUsedAreRefused) {
    using namespace wave_contract;
    platform::WaveInCaps inCaps;
    ASSERT_EQ(WaveIn().GetDevCaps(0, inCaps), MmResult::NoError);
    EXPECT_NE(inCaps.formats & platform::kWaveFormat2M16, 0u);
    EXPECT_EQ(WaveIn().GetDevCaps(WaveIn().GetNumDevs(), inCaps), MmResult::BadDeviceId);
    platform::WaveOutCaps outCaps;
    ASSERT_EQ(WaveOut().GetDevCaps(0, outCaps), MmResult::NoError);
    EXPECT_EQ(WaveOut().GetDevCaps(WaveOut().GetNumDevs(), outCaps), MmResult::BadDeviceId);

    for (const auto& [what, format] : RefusedFormats()) {
        WaveInHandle in{77};
        EXPECT_EQ(WaveIn().Open(in, kWaveMapper, format, nullptr), MmResult::WaveBadFormat) << what;
        EXPECT_FALSE(in) << what;
        WaveOutHandle out{77};
        EXPECT_EQ(WaveOut().Open(out, kWaveMapper, format, nullptr), MmResult::WaveBadFormat)
            << what;
        EXPECT_FALSE(out) << what;
    }
    WaveInHandle handle{77};
    EXPECT_EQ(WaveIn().Open(handle, WaveIn().GetNumDevs(), Pcm(1, 22050), nullptr),
              MmResult::BadDeviceId);
    EXPECT_FALSE(handle);

    WaveHeader header;
    EXPECT_EQ(WaveIn().AddBuffer(WaveInHandle{12345}, header), MmResult::InvalHandle);
    EXPECT_EQ(WaveOut().Write(WaveOutHandle{12345}, header), MmResult::InvalHandle);
}

TEST_P(WaveContract, CaptureStopsResetsAndClosesCleanlyFromEveryState) {
    using namespace wave_contract;
    const PcmWaveFormat format = Pcm(1, 22050);
    // Opened and closed at once: the open notice, then the close notice, and nothing later.
    NoticeLog quick;
    WaveInHandle handle;
    ASSERT_EQ(WaveIn().Open(handle, kWaveMapper, format, quick.InCallback()), MmResult::NoError);
    ASSERT_EQ(WaveIn().Close(handle), MmResult::NoError);
    EXPECT_EQ(quick.Messages(), (std::vector{WaveMessage::InOpen, WaveMessage::InClose}));
    EXPECT_EQ(WaveIn().Close(handle), MmResult::InvalHandle);

    // Running with three one-second buffers.
    NoticeLog running;
    ASSERT_EQ(WaveIn().Open(handle, kWaveMapper, format, running.InCallback()), MmResult::NoError);
    std::vector<std::uint8_t> data(3 * 44100);
    WaveHeader headers[3];
    for (int i = 0; i < 3; ++i) {
        headers[i].data = data.data() + i * 44100;
        headers[i].bufferLength = 44100;
        ASSERT_EQ(WaveIn().PrepareHeader(handle, headers[i]), MmResult::NoError);
        ASSERT_EQ(WaveIn().AddBuffer(handle, headers[i]), MmResult::NoError);
    }
    EXPECT_EQ(WaveIn().Close(handle), MmResult::WaveStillPlaying);
    EXPECT_EQ(WaveIn().UnprepareHeader(handle, headers[0]), MmResult::WaveStillPlaying);
    ASSERT_EQ(WaveIn().Start(handle), MmResult::NoError);
    std::uint32_t position = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            WaveIn().GetPosition(handle, position);
            return position >= 4410;
        },
        2s));
    // Stop returns the buffer being filled with what it holds; the empty ones stay queued.
    ASSERT_EQ(WaveIn().Stop(handle), MmResult::NoError);
    ASSERT_TRUE(WaitUntil([&] { return running.Count(WaveMessage::InData) == 1; }, 2s));
    EXPECT_GT(headers[0].bytesRecorded, 0u);
    EXPECT_LT(headers[0].bytesRecorded, headers[0].bufferLength);
    EXPECT_EQ(headers[0].bytesRecorded % 2, 0u);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(running.Count(WaveMessage::InData), 1u);
    std::uint32_t stopped = 0;
    WaveIn().GetPosition(handle, stopped);
    EXPECT_EQ(stopped, headers[0].bytesRecorded);  // the position is kept

    // A restart goes on filling the second buffer.
    ASSERT_EQ(WaveIn().Start(handle), MmResult::NoError);
    ASSERT_TRUE(WaitUntil(
        [&] {
            WaveIn().GetPosition(handle, position);
            return position > stopped;
        },
        2s));

    // Reset hands back the rest, the one not begun empty, and starts the position again.
    ASSERT_EQ(WaveIn().Reset(handle), MmResult::NoError);
    for (const WaveHeader& header : {headers[1], headers[2]})
        EXPECT_EQ(header.flags & (kWaveHeaderDone | kWaveHeaderInQueue), kWaveHeaderDone);
    EXPECT_EQ(headers[2].bytesRecorded, 0u);
    WaveIn().GetPosition(handle, position);
    EXPECT_EQ(position, 0u);
    for (WaveHeader& header : headers)
        ASSERT_EQ(WaveIn().UnprepareHeader(handle, header), MmResult::NoError);
    ASSERT_EQ(WaveIn().Close(handle), MmResult::NoError);
    EXPECT_EQ(running.Count(WaveMessage::InData), 3u);
    EXPECT_EQ(running.Messages().back(), WaveMessage::InClose);
}

TEST_P(WaveContract, PlaybackResetStopsTheSoundAndHandsTheBufferBack) {
    using namespace wave_contract;
    NoticeLog notices;
    WaveOutHandle handle;
    ASSERT_EQ(WaveOut().Open(handle, kWaveMapper, Pcm(1, 22050), notices.OutCallback()),
              MmResult::NoError);
    std::vector<std::uint8_t> silence(3 * 44100);  // three seconds
    WaveHeader header;
    header.data = silence.data();
    header.bufferLength = static_cast<std::uint32_t>(silence.size());
    ASSERT_EQ(WaveOut().PrepareHeader(handle, header), MmResult::NoError);
    ASSERT_EQ(WaveOut().Write(handle, header), MmResult::NoError);
    EXPECT_EQ(WaveOut().Write(handle, header), MmResult::WaveStillPlaying);

    std::uint32_t position = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            WaveOut().GetPosition(handle, position);
            return position >= 8820;  // 200 ms played
        },
        2s));
    EXPECT_LT(position, header.bufferLength);
    EXPECT_EQ(WaveOut().Close(handle), MmResult::WaveStillPlaying);

    ASSERT_EQ(WaveOut().Reset(handle), MmResult::NoError);
    EXPECT_EQ(header.flags & (kWaveHeaderDone | kWaveHeaderInQueue), kWaveHeaderDone);
    ASSERT_TRUE(WaitUntil([&] { return notices.Count(WaveMessage::OutDone) == 1; }, 1s));
    WaveOut().GetPosition(handle, position);
    EXPECT_EQ(position, 0u);

    // Played again after the reset, the position counts from 0 once more.
    ASSERT_EQ(WaveOut().Write(handle, header), MmResult::NoError);
    ASSERT_TRUE(WaitUntil(
        [&] {
            WaveOut().GetPosition(handle, position);
            return position >= 4410;
        },
        2s));
    EXPECT_LT(position, 3u * 44100 / 2);
    ASSERT_EQ(WaveOut().Reset(handle), MmResult::NoError);
    ASSERT_EQ(WaveOut().UnprepareHeader(handle, header), MmResult::NoError);
    ASSERT_EQ(WaveOut().Close(handle), MmResult::NoError);
    EXPECT_EQ(WaveOut().GetPosition(handle, position), MmResult::InvalHandle);
}

TEST_P(WaveContract, WaveCallsFromInsideACallbackAreRefusedNotDeadlocked) {
    using namespace wave_contract;
    std::atomic<MmResult> closeFromCallback{MmResult::NoError};
    std::atomic<MmResult> startFromCallback{MmResult::NoError};
    std::atomic<bool> called{false};
    WaveInHandle handle;
    platform::WaveInApi& waveIn = WaveIn();
    ASSERT_EQ(waveIn.Open(handle, kWaveMapper, Pcm(1, 22050),
                          [&](WaveInHandle device, WaveMessage message, WaveHeader*) {
                              if (message != WaveMessage::InOpen)
                                  return;
                              closeFromCallback = waveIn.Close(device);
                              startFromCallback = waveIn.Start(device);
                              called = true;
                          }),
              MmResult::NoError);
    ASSERT_TRUE(WaitUntil([&] { return called.load(); }, 2s));
    EXPECT_EQ(closeFromCallback.load(), MmResult::Error);
    EXPECT_EQ(startFromCallback.load(), MmResult::Error);
    EXPECT_EQ(waveIn.Close(handle), MmResult::NoError);
}

TEST_P(WaveContract, ABufferQueuedWhileCloseRunsIsRefusedAndNeverReturned) {
    using namespace wave_contract;
    // The open notice is held on the device thread, so Close has to wait for it: a buffer
    // queued meanwhile must be refused, not accepted and then forgotten by the closing device.
    std::mutex mutex;
    std::condition_variable changed;
    bool held = false;
    bool released = false;
    std::atomic<int> dataNotices{0};
    platform::WaveInApi& waveIn = WaveIn();
    WaveInHandle handle;
    ASSERT_EQ(waveIn.Open(handle, kWaveMapper, Pcm(1, 22050),
                          [&](WaveInHandle, WaveMessage message, WaveHeader*) {
                              if (message == WaveMessage::InData)
                                  ++dataNotices;
                              if (message != WaveMessage::InOpen)
                                  return;
                              std::unique_lock lock(mutex);
                              held = true;
                              changed.notify_all();
                              changed.wait(lock, [&] { return released; });
                          }),
              MmResult::NoError);
    std::vector<std::uint8_t> data(4410);
    WaveHeader header;
    header.data = data.data();
    header.bufferLength = static_cast<std::uint32_t>(data.size());
    ASSERT_EQ(waveIn.PrepareHeader(handle, header), MmResult::NoError);
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 5s, [&] { return held; }));
    }
    std::atomic<MmResult> closed{MmResult::Error};
    std::thread closer([&] { closed = waveIn.Close(handle); });
    std::uint32_t position = 0;
    while (waveIn.GetPosition(handle, position) == MmResult::NoError)
        std::this_thread::yield();  // until Close has begun

    const std::size_t breaches =
        GetParam().reportedBreaches ? GetParam().reportedBreaches(*audio_) : 0;
    EXPECT_EQ(waveIn.AddBuffer(handle, header), MmResult::InvalHandle);
    EXPECT_EQ(header.flags & kWaveHeaderInQueue, 0u);
    if (GetParam().reportedBreaches) {  // the buffer met a handle that is no longer open
        EXPECT_GT(GetParam().reportedBreaches(*audio_), breaches);
    }
    {
        std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
    closer.join();
    EXPECT_EQ(closed.load(), MmResult::NoError);
    EXPECT_EQ(dataNotices.load(), 0);
}

TEST_P(WaveContract, TheOutputHoldLetsCaptureOpenAtTheSameTime) {
    using namespace wave_contract;
    // The full-duplex check: a hold on the default output, then wave input at 22,050 Hz,
    // 16 bits, stereo while it is held.
    std::unique_ptr<platform::OutputDeviceHold> hold;
    ASSERT_EQ(audio_->CreateOutputHold(hold), MmResult::NoError);
    ASSERT_NE(hold, nullptr);
    EXPECT_EQ(hold->SetCooperativeLevel(platform::CooperativeLevel::Normal), MmResult::NoError);
    EXPECT_EQ(hold->SetCooperativeLevel(static_cast<platform::CooperativeLevel>(9)),
              MmResult::InvalParam);
    WaveRecorder recorder(*audio_, Pcm(2, 22050), 11024, 4);
    ASSERT_EQ(recorder.Open(), MmResult::NoError);
    ASSERT_EQ(recorder.Start(), MmResult::NoError);
    recorder.Pump(300ms);
    EXPECT_EQ(recorder.Finish(), MmResult::NoError);
    EXPECT_GT(recorder.Samples().size(), 0u);
}

}  // namespace zav::platform::contracts
