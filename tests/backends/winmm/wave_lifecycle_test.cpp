// The wave calls' life cycle on the WinMM backend: refusals, stop, reset and close from every
// state, with the buffers and notices the host's rules promise.

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio/wave_caps.h"
#include "sandbox_devices.h"

namespace winmm_test {
namespace {

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

class NoticeLog {
  public:
    void Add(WaveMessage message) {
        std::lock_guard lock(mutex_);
        messages_.push_back(message);
    }
    std::size_t Count(WaveMessage message) {
        std::lock_guard lock(mutex_);
        std::size_t count = 0;
        for (WaveMessage seen : messages_)
            count += seen == message ? 1 : 0;
        return count;
    }
    std::vector<WaveMessage> Messages() {
        std::lock_guard lock(mutex_);
        return messages_;
    }

  private:
    std::mutex mutex_;
    std::vector<WaveMessage> messages_;
};

class WaveLifecycleTest : public SandboxTest {};

TEST_F(WaveLifecycleTest, DevicesFormatsAndHandlesThatCannotBeUsedAreRefused) {
    zav::platform::WaveInCaps caps;
    ASSERT_EQ(audio_.WaveIn().GetDevCaps(0, caps), MmResult::NoError);
    EXPECT_NE(caps.formats & zav::platform::kWaveFormat2M16, 0u);
    EXPECT_EQ(audio_.WaveIn().GetDevCaps(audio_.WaveIn().GetNumDevs(), caps),
              MmResult::BadDeviceId);

    WaveInHandle handle{77};
    PcmWaveFormat twelveBits = Pcm16(1, 22050);
    twelveBits.bitsPerSample = 12;
    EXPECT_EQ(audio_.WaveIn().Open(handle, kWaveMapper, twelveBits, nullptr),
              MmResult::WaveBadFormat);
    EXPECT_FALSE(handle);
    EXPECT_EQ(audio_.WaveIn().Open(handle, audio_.WaveIn().GetNumDevs(), Pcm16(1, 22050), nullptr),
              MmResult::BadDeviceId);
    WaveOutHandle out{77};
    PcmWaveFormat badAlign = Pcm16(2, 22050);
    badAlign.blockAlign = 3;
    EXPECT_EQ(audio_.WaveOut().Open(out, kWaveMapper, badAlign, nullptr), MmResult::WaveBadFormat);
    EXPECT_FALSE(out);
    WaveHeader header;
    EXPECT_EQ(audio_.WaveIn().AddBuffer(WaveInHandle{12345}, header), MmResult::InvalHandle);
}

TEST_F(WaveLifecycleTest, CaptureStopsResetsAndClosesCleanlyFromEveryState) {
    const PcmWaveFormat format = Pcm16(1, 22050);
    NoticeLog quick;
    WaveInHandle handle;
    ASSERT_EQ(audio_.WaveIn().Open(
                  handle, kWaveMapper, format,
                  [&](WaveInHandle, WaveMessage message, WaveHeader*) { quick.Add(message); }),
              MmResult::NoError);
    ASSERT_EQ(audio_.WaveIn().Close(handle), MmResult::NoError);
    EXPECT_EQ(quick.Messages(), (std::vector{WaveMessage::InOpen, WaveMessage::InClose}));
    EXPECT_EQ(audio_.WaveIn().Close(handle), MmResult::InvalHandle);

    // Running with two one-second buffers.
    NoticeLog running;
    ASSERT_EQ(audio_.WaveIn().Open(
                  handle, kWaveMapper, format,
                  [&](WaveInHandle, WaveMessage message, WaveHeader*) { running.Add(message); }),
              MmResult::NoError);
    std::vector<std::uint8_t> data(2 * 44100);
    WaveHeader headers[2];
    for (int i = 0; i < 2; ++i) {
        headers[i].data = data.data() + i * 44100;
        headers[i].bufferLength = 44100;
        ASSERT_EQ(audio_.WaveIn().PrepareHeader(handle, headers[i]), MmResult::NoError);
        ASSERT_EQ(audio_.WaveIn().AddBuffer(handle, headers[i]), MmResult::NoError);
    }
    EXPECT_EQ(audio_.WaveIn().Close(handle), MmResult::WaveStillPlaying);
    ASSERT_EQ(audio_.WaveIn().Start(handle), MmResult::NoError);
    std::uint32_t position = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            audio_.WaveIn().GetPosition(handle, position);
            return position >= 4410;
        },
        2s));
    // Stop returns the buffer being filled with what it holds; the empty one stays queued.
    ASSERT_EQ(audio_.WaveIn().Stop(handle), MmResult::NoError);
    ASSERT_TRUE(WaitUntil([&] { return running.Count(WaveMessage::InData) == 1; }, 2s));
    EXPECT_GT(headers[0].bytesRecorded, 0u);
    EXPECT_LT(headers[0].bytesRecorded, headers[0].bufferLength);
    EXPECT_EQ(headers[0].bytesRecorded % 2, 0u);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(running.Count(WaveMessage::InData), 1u);
    std::uint32_t stopped = 0;
    audio_.WaveIn().GetPosition(handle, stopped);
    EXPECT_EQ(stopped, headers[0].bytesRecorded);  // the position is kept

    // A restart goes on filling the second buffer.
    ASSERT_EQ(audio_.WaveIn().Start(handle), MmResult::NoError);
    ASSERT_TRUE(WaitUntil(
        [&] {
            audio_.WaveIn().GetPosition(handle, position);
            return position > stopped;
        },
        2s));

    // Reset hands back the rest and starts the position again.
    ASSERT_EQ(audio_.WaveIn().Reset(handle), MmResult::NoError);
    EXPECT_EQ(headers[1].flags & (kWaveHeaderDone | kWaveHeaderInQueue), kWaveHeaderDone);
    audio_.WaveIn().GetPosition(handle, position);
    EXPECT_EQ(position, 0u);
    for (WaveHeader& header : headers)
        ASSERT_EQ(audio_.WaveIn().UnprepareHeader(handle, header), MmResult::NoError);
    ASSERT_EQ(audio_.WaveIn().Close(handle), MmResult::NoError);
    EXPECT_EQ(running.Count(WaveMessage::InData), 2u);
    EXPECT_EQ(running.Messages().back(), WaveMessage::InClose);
}

TEST_F(WaveLifecycleTest, PlaybackResetStopsTheSoundAndHandsTheBufferBack) {
    NoticeLog notices;
    WaveOutHandle handle;
    ASSERT_EQ(audio_.WaveOut().Open(
                  handle, kWaveMapper, Pcm16(1, 22050),
                  [&](WaveOutHandle, WaveMessage message, WaveHeader*) { notices.Add(message); }),
              MmResult::NoError);
    std::vector<std::uint8_t> silence(3 * 44100);  // three seconds
    WaveHeader header;
    header.data = silence.data();
    header.bufferLength = static_cast<std::uint32_t>(silence.size());
    ASSERT_EQ(audio_.WaveOut().PrepareHeader(handle, header), MmResult::NoError);
    ASSERT_EQ(audio_.WaveOut().Write(handle, header), MmResult::NoError);
    EXPECT_EQ(audio_.WaveOut().Write(handle, header), MmResult::WaveStillPlaying);

    std::uint32_t position = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            audio_.WaveOut().GetPosition(handle, position);
            return position >= 8820;  // 200 ms played
        },
        2s));
    EXPECT_LT(position, header.bufferLength);
    EXPECT_EQ(audio_.WaveOut().Close(handle), MmResult::WaveStillPlaying);

    ASSERT_EQ(audio_.WaveOut().Reset(handle), MmResult::NoError);
    EXPECT_EQ(header.flags & (kWaveHeaderDone | kWaveHeaderInQueue), kWaveHeaderDone);
    ASSERT_TRUE(WaitUntil([&] { return notices.Count(WaveMessage::OutDone) == 1; }, 1s));
    audio_.WaveOut().GetPosition(handle, position);
    EXPECT_EQ(position, 0u);

    // Played again after the reset, the position counts from 0 once more.
    ASSERT_EQ(audio_.WaveOut().Write(handle, header), MmResult::NoError);
    ASSERT_TRUE(WaitUntil(
        [&] {
            audio_.WaveOut().GetPosition(handle, position);
            return position >= 4410;
        },
        2s));
    EXPECT_LT(position, 3u * 44100 / 2);
    ASSERT_EQ(audio_.WaveOut().Reset(handle), MmResult::NoError);
    ASSERT_EQ(audio_.WaveOut().UnprepareHeader(handle, header), MmResult::NoError);
    ASSERT_EQ(audio_.WaveOut().Close(handle), MmResult::NoError);
    EXPECT_EQ(audio_.WaveOut().GetPosition(handle, position), MmResult::InvalHandle);
}

}  // namespace
}  // namespace winmm_test
