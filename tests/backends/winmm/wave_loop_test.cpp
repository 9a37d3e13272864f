// Sound through the WinMM backend to the sandbox's devices and back: what is played into the
// microphone's feed is what the microphone records, and what is played on the default output
// reaches the speaker, sample for sample, with the end-of-sound notice once it has been heard.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <vector>

#include "loop_recorder.h"
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
using zav::platform::WaveMessage;
using zav::platform::WaveOutHandle;

// Plays samples on one output device in three buffers, as a program queues them; records the
// notices and when the last one came.
class Player {
  public:
    Player(zav::platform::WaveOutApi& waveOut, std::vector<std::int16_t> samples)
        : waveOut_(waveOut), samples_(std::move(samples)) {}

    MmResult Play(std::uint32_t deviceId, const PcmWaveFormat& format) {
        if (const MmResult opened = waveOut_.Open(
                handle_, deviceId, format,
                [this](WaveOutHandle, WaveMessage message, WaveHeader*) { Note(message); });
            opened != MmResult::NoError) {
            return opened;
        }
        auto* bytes = reinterpret_cast<std::uint8_t*>(samples_.data());
        const std::size_t total = samples_.size() * 2;
        const std::size_t third = total / 3 / format.blockAlign * format.blockAlign;
        std::size_t offset = 0;
        for (int i = 0; i < 3; ++i) {
            headers_[i].data = bytes + offset;
            headers_[i].bufferLength = static_cast<std::uint32_t>(i == 2 ? total - offset : third);
            offset += headers_[i].bufferLength;
            if (const MmResult prepared = waveOut_.PrepareHeader(handle_, headers_[i]);
                prepared != MmResult::NoError) {
                return prepared;
            }
        }
        written_ = std::chrono::steady_clock::now();
        for (WaveHeader& header : headers_) {
            if (const MmResult put = waveOut_.Write(handle_, header); put != MmResult::NoError)
                return put;
        }
        return MmResult::NoError;
    }

    std::size_t Count(WaveMessage message) {
        std::lock_guard lock(mutex_);
        std::size_t count = 0;
        for (WaveMessage seen : notices_)
            count += seen == message ? 1 : 0;
        return count;
    }
    std::vector<WaveMessage> Notices() {
        std::lock_guard lock(mutex_);
        return notices_;
    }
    std::chrono::milliseconds HeardAfter() {
        std::lock_guard lock(mutex_);
        return std::chrono::duration_cast<std::chrono::milliseconds>(last_ - written_);
    }

    zav::platform::WaveOutApi& waveOut_;
    std::vector<std::int16_t> samples_;
    WaveOutHandle handle_;
    WaveHeader headers_[3];

  private:
    void Note(WaveMessage message) {
        std::lock_guard lock(mutex_);
        notices_.push_back(message);
        last_ = std::chrono::steady_clock::now();
    }

    std::mutex mutex_;
    std::vector<WaveMessage> notices_;
    std::chrono::steady_clock::time_point written_;
    std::chrono::steady_clock::time_point last_;
};

class WaveLoopTest : public SandboxTest {};

TEST_F(WaveLoopTest, TheMicrophoneRecordsExactlyWhatItsFeedPlays) {
    // Recording on the wave mapper, as both programs do; the sandbox's microphone is the
    // default input and hears whatever is played into its feed.
    const PcmWaveFormat format = Pcm16(1, 22050);
    LoopRecorder recorder(audio_.WaveIn(), kWaveMapper, format, 2756 * 2, 16);
    ASSERT_EQ(recorder.Start(), MmResult::NoError);
    recorder.Pump(200ms);

    Player feed(audio_.WaveOut(), Noise(22050, 7));
    ASSERT_EQ(feed.Play(*FindOutput(audio_, kMicFeedName), format), MmResult::NoError);
    while (feed.Count(WaveMessage::OutDone) < 3 && feed.HeardAfter() < 5s)
        recorder.Pump(50ms);
    recorder.Pump(300ms);
    ASSERT_EQ(recorder.Finish(), MmResult::NoError);
    ASSERT_EQ(feed.Count(WaveMessage::OutDone), 3u);
    for (WaveHeader& header : feed.headers_)
        EXPECT_EQ(feed.waveOut_.UnprepareHeader(feed.handle_, header), MmResult::NoError);
    EXPECT_EQ(feed.waveOut_.Close(feed.handle_), MmResult::NoError);

    const std::optional<std::size_t> at = FindExact(recorder.Samples(), feed.samples_);
    ASSERT_TRUE(at.has_value()) << "the noise was not heard; " << recorder.Samples().size()
                                << " samples recorded";
    EXPECT_EQ(CountDifferences(recorder.Samples(), feed.samples_, *at), 0u);
}

TEST_F(WaveLoopTest, PlaybackReachesTheSpeakerSampleForSampleAndEndsWhenHeard) {
    const PcmWaveFormat format = Pcm16(1, 22050);
    LoopRecorder speaker(audio_.WaveIn(), *FindInput(audio_, kSpeakerMonitorName), format, 2756 * 2,
                         16);
    ASSERT_EQ(speaker.Start(), MmResult::NoError);
    speaker.Pump(200ms);

    // 1.5 s of noise on the default output (the wave mapper's choice).
    Player player(audio_.WaveOut(), Noise(33075, 11));
    ASSERT_EQ(player.Play(kWaveMapper, format), MmResult::NoError);
    while (player.Count(WaveMessage::OutDone) < 3 && player.HeardAfter() < 5s)
        speaker.Pump(50ms);
    ASSERT_EQ(player.Count(WaveMessage::OutDone), 3u);
    // The end-of-sound notice comes when the last sample has been played, not when it was
    // handed over.
    EXPECT_GE(player.HeardAfter(), 1400ms);
    std::uint32_t position = 0;
    ASSERT_EQ(player.waveOut_.GetPosition(player.handle_, position), MmResult::NoError);
    EXPECT_EQ(position, player.samples_.size() * 2);
    for (WaveHeader& header : player.headers_) {
        EXPECT_EQ(header.flags & (kWaveHeaderDone | kWaveHeaderInQueue), kWaveHeaderDone);
        EXPECT_EQ(player.waveOut_.UnprepareHeader(player.handle_, header), MmResult::NoError);
    }
    ASSERT_EQ(player.waveOut_.Close(player.handle_), MmResult::NoError);
    EXPECT_EQ(player.Notices().front(), WaveMessage::OutOpen);
    EXPECT_EQ(player.Notices().back(), WaveMessage::OutClose);

    speaker.Pump(300ms);
    ASSERT_EQ(speaker.Finish(), MmResult::NoError);
    const std::optional<std::size_t> at = FindExact(speaker.Samples(), player.samples_);
    ASSERT_TRUE(at.has_value()) << "the noise did not reach the speaker";
    EXPECT_EQ(CountDifferences(speaker.Samples(), player.samples_, *at), 0u);
    std::printf("end-of-sound notice %lld ms after writing 1500 ms of sound\n",
                static_cast<long long>(player.HeardAfter().count()));
}

TEST_F(WaveLoopTest, TheOutputHoldLetsCaptureOpenAtTheSameTime) {
    // The full-duplex check: a DirectSound object on the default output, then wave input at
    // 22,050 Hz, 16 bits, stereo while it is held.
    std::unique_ptr<zav::platform::OutputDeviceHold> hold;
    ASSERT_EQ(audio_.CreateOutputHold(hold), MmResult::NoError);
    ASSERT_NE(hold, nullptr);
    EXPECT_EQ(hold->SetCooperativeLevel(zav::platform::CooperativeLevel::Normal),
              MmResult::NoError);
    EXPECT_EQ(hold->SetCooperativeLevel(static_cast<zav::platform::CooperativeLevel>(9)),
              MmResult::InvalParam);
    LoopRecorder recorder(audio_.WaveIn(), kWaveMapper, Pcm16(2, 22050), 11024, 4);
    EXPECT_EQ(recorder.Start(), MmResult::NoError);
    recorder.Pump(300ms);
    EXPECT_EQ(recorder.Finish(), MmResult::NoError);
    EXPECT_GT(recorder.Samples().size(), 0u);
}

}  // namespace
}  // namespace winmm_test
