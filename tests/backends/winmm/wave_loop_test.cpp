// Sound through the WinMM backend to the sandbox's devices and back: what is played into the
// microphone's feed is what the microphone records, and what is played on the default output
// reaches the speaker, sample for sample, with the end-of-sound notice once it has been heard.
// The wave calls' life cycle is the wave contract's (wave_contract_winmm_test.cpp).

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/audio/wave_caps.h"
#include "sandbox_devices.h"
#include "tests/support/notice_log.h"
#include "tests/support/pcm_format.h"
#include "tests/support/wave_recorder.h"

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
using zav::test::Pcm;
using zav::test::WaveRecorder;

// Plays samples on one output device in three buffers, as a program queues them; keeps the
// notices and when the last one came.
class Player {
  public:
    Player(zav::platform::WaveOutApi& waveOut, std::vector<std::int16_t> samples)
        : waveOut_(waveOut), samples_(std::move(samples)) {}

    MmResult Play(std::uint32_t deviceId, const PcmWaveFormat& format) {
        if (const MmResult opened =
                waveOut_.Open(handle_, deviceId, format, notices_.OutCallback());
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

    std::size_t Count(WaveMessage message) const { return notices_.Count(message); }
    std::vector<WaveMessage> Notices() const { return notices_.Messages(); }
    std::chrono::milliseconds HeardAfter() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(notices_.LastTime() -
                                                                     written_);
    }

    zav::platform::WaveOutApi& waveOut_;
    std::vector<std::int16_t> samples_;
    WaveOutHandle handle_;
    WaveHeader headers_[3];

  private:
    zav::test::NoticeLog notices_;
    std::chrono::steady_clock::time_point written_;
};

class WaveLoopTest : public SandboxTest {};

TEST_F(WaveLoopTest, TheMicrophoneRecordsExactlyWhatItsFeedPlays) {
    // Recording on the wave mapper, as both programs do; the sandbox's microphone is the
    // default input and hears whatever is played into its feed.
    const PcmWaveFormat format = Pcm(1, 22050);
    WaveRecorder recorder(audio_, format, 2756 * 2, 16);
    ASSERT_EQ(recorder.Open(), MmResult::NoError);
    ASSERT_EQ(recorder.Start(), MmResult::NoError);
    recorder.Pump(200ms);

    Player feed(audio_.WaveOut(), Noise(22050, 7));
    ASSERT_EQ(feed.Play(*FindOutput(audio_, kMicFeedName), format), MmResult::NoError);
    for (const auto until = std::chrono::steady_clock::now() + 5s;
         feed.Count(WaveMessage::OutDone) < 3 && std::chrono::steady_clock::now() < until;)
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
    const PcmWaveFormat format = Pcm(1, 22050);
    WaveRecorder speaker(audio_, format, 2756 * 2, 16, *FindInput(audio_, kSpeakerMonitorName));
    ASSERT_EQ(speaker.Open(), MmResult::NoError);
    ASSERT_EQ(speaker.Start(), MmResult::NoError);
    speaker.Pump(200ms);

    // 1.5 s of noise on the default output (the wave mapper's choice).
    Player player(audio_.WaveOut(), Noise(33075, 11));
    ASSERT_EQ(player.Play(kWaveMapper, format), MmResult::NoError);
    for (const auto until = std::chrono::steady_clock::now() + 5s;
         player.Count(WaveMessage::OutDone) < 3 && std::chrono::steady_clock::now() < until;)
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

}  // namespace
}  // namespace winmm_test
