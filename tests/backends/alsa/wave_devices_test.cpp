// Wave input and output through ALSA to the sound server's virtual microphone and speaker.

#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <cmath>
#include <vector>

#include "platform/alsa/alsa_audio_system.h"
#include "platform/audio/wave_caps.h"
#include "server_test.h"
#include "test_sounds.h"
#include "tests/support/notice_log.h"
#include "tests/support/wave_recorder.h"

namespace alsa_test {
namespace {

using namespace std::chrono_literals;
using zav::platform::kWaveFormat2M16;
using zav::platform::kWaveFormat2S16;
using zav::platform::kWaveFormat4S16;
using zav::platform::kWaveHeaderDone;
using zav::platform::kWaveHeaderInQueue;
using zav::platform::kWaveMapper;
using zav::platform::MmResult;
using zav::platform::PcmWaveFormat;
using zav::platform::WaveHeader;
using zav::platform::WaveInCaps;
using zav::platform::WaveMessage;
using zav::platform::WaveOutCaps;
using zav::platform::WaveOutHandle;
using zav::platform::alsa::AlsaAudioSystem;
using zav::test::NoticeLog;
using zav::test::WaveRecorder;

std::span<const std::uint8_t> Bytes(const std::vector<std::int16_t>& samples) {
    return {reinterpret_cast<const std::uint8_t*>(samples.data()), samples.size() * 2};
}

class WaveDevicesTest : public ServerTest {
  protected:
    AlsaAudioSystem audio_;
};

TEST_F(WaveDevicesTest, TheDefaultDeviceComesFirstAndItsCapsComeFromTheDevice) {
    const std::uint32_t inputs = audio_.WaveIn().GetNumDevs();
    const std::uint32_t outputs = audio_.WaveOut().GetNumDevs();
    ASSERT_GE(inputs, 1u);
    ASSERT_GE(outputs, 1u);
    WaveInCaps inCaps;
    ASSERT_EQ(audio_.WaveIn().GetDevCaps(0, inCaps), MmResult::NoError);
    EXPECT_EQ(inCaps.productName, DefaultCardName());
    const std::uint32_t voice = kWaveFormat2M16 | kWaveFormat2S16 | kWaveFormat4S16;
    EXPECT_EQ(inCaps.formats & voice, voice);
    EXPECT_EQ(inCaps.channels, 2u);
    WaveOutCaps outCaps;
    ASSERT_EQ(audio_.WaveOut().GetDevCaps(0, outCaps), MmResult::NoError);
    EXPECT_EQ(outCaps.formats & voice, voice);
}

TEST_F(WaveDevicesTest, CaptureReturnsWhatTheMicrophonePlaysSampleForSample) {
    // At the microphone's own format nothing is converted, so every sample must come back.
    const unsigned channels = source_.channels;
    const std::filesystem::path noise =
        MakeNoise("mic_noise_" + std::to_string(source_.rate) + "_" + std::to_string(channels),
                  source_.rate, channels, 1.5, 0.4);
    const std::optional<PcmSamples> reference = ReadSound(noise);
    ASSERT_TRUE(reference.has_value());

    const PcmWaveFormat format = NativeFormat();
    WaveRecorder recorder(audio_, format, format.avgBytesPerSec / 8, 16);
    ASSERT_EQ(recorder.Open(), MmResult::NoError);
    ASSERT_EQ(recorder.Start(), MmResult::NoError);
    recorder.Pump(300ms);
    ASSERT_TRUE(Feed(noise, false, true));
    recorder.Pump(600ms);
    ASSERT_EQ(recorder.Finish(), MmResult::NoError);

    const std::optional<std::size_t> offset =
        FindByCorrelation(recorder.Samples(), reference->samples, channels);
    ASSERT_TRUE(offset.has_value());
    EXPECT_EQ(CountDifferences(recorder.Samples(), reference->samples, *offset, channels), 0u)
        << "at " << source_.rate << " Hz, " << channels << " channel(s), offset " << *offset;
    ReportMeasurement("capture: " + std::to_string(reference->samples.size()) + " samples at " +
                      std::to_string(source_.rate) + " Hz x " + std::to_string(channels) +
                      " came back exactly");
}

TEST_F(WaveDevicesTest, CaptureAtTheVoiceFormatHearsTheTone) {
    // 22,050 Hz mono, whatever the server's own format: resampled when that differs.
    const std::filesystem::path tone = MakeTone(
        "mic_tone_" + std::to_string(source_.rate) + "_" + std::to_string(source_.channels),
        source_.rate, source_.channels, 3.0, 440.0, 0.5);
    ASSERT_TRUE(Feed(tone, true));
    const PcmWaveFormat format = Pcm16(1, 22050);
    WaveRecorder recorder(audio_, format, 2756 * 2, 16);
    ASSERT_EQ(recorder.Open(), MmResult::NoError);
    ASSERT_EQ(recorder.Start(), MmResult::NoError);
    recorder.Pump(1200ms);
    ASSERT_EQ(recorder.Finish(), MmResult::NoError);

    // The last second: the tone is playing throughout it.
    const std::vector<std::int16_t>& samples = recorder.Samples();
    ASSERT_GE(samples.size(), 22050u);
    const std::span<const std::int16_t> second(samples.data() + samples.size() - 22050, 22050);
    double sumSquares = 0;
    int crossings = 0;
    for (std::size_t i = 0; i < second.size(); ++i) {
        sumSquares += static_cast<double>(second[i]) * second[i];
        if (i > 0 && (second[i - 1] < 0) != (second[i] < 0))
            ++crossings;
    }
    const double rms = std::sqrt(sumSquares / static_cast<double>(second.size())) / 32768.0;
    EXPECT_NEAR(rms, 0.5 / std::sqrt(2.0), 0.01);
    EXPECT_NEAR(crossings / 2.0, 440.0, 5.0);
}

TEST_F(WaveDevicesTest, PlaybackReachesTheSpeakerSampleForSampleAndEndsWhenHeard) {
    const unsigned channels = source_.channels;
    const std::filesystem::path noise =
        MakeNoise("speaker_noise_" + std::to_string(source_.rate) + "_" + std::to_string(channels),
                  source_.rate, channels, 1.5, 0.4);
    const std::optional<PcmSamples> reference = ReadSound(noise);
    ASSERT_TRUE(reference.has_value());

    const std::filesystem::path recorded =
        std::filesystem::path(ZAV_TEST_SOUND_DIR) / "speaker_recorded.wav";
    const std::filesystem::path ready = std::filesystem::path(ZAV_TEST_SOUND_DIR) / "ready";
    std::filesystem::remove(ready);
    BackgroundCommand capture({SandboxScript().string(), "capture-output", "3", recorded.string(),
                               "--ready", ready.string()});
    ASSERT_TRUE(capture.Started());
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(ready); }, 10s));

    NoticeLog notices;
    WaveOutHandle handle;
    ASSERT_EQ(audio_.WaveOut().Open(handle, kWaveMapper, NativeFormat(), notices.OutCallback()),
              MmResult::NoError);
    // Three buffers one after the other, as a program queues them.
    const std::span<const std::uint8_t> bytes = Bytes(reference->samples);
    const std::size_t frameBytes = channels * 2;
    const std::size_t third = bytes.size() / 3 / frameBytes * frameBytes;
    WaveHeader headers[3];
    std::size_t offset = 0;
    for (int i = 0; i < 3; ++i) {
        headers[i].data = const_cast<std::uint8_t*>(bytes.data() + offset);
        headers[i].bufferLength =
            static_cast<std::uint32_t>(i == 2 ? bytes.size() - offset : third);
        offset += headers[i].bufferLength;
        ASSERT_EQ(audio_.WaveOut().PrepareHeader(handle, headers[i]), MmResult::NoError);
    }
    const auto written = std::chrono::steady_clock::now();
    for (WaveHeader& header : headers)
        ASSERT_EQ(audio_.WaveOut().Write(handle, header), MmResult::NoError);
    ASSERT_TRUE(WaitUntil([&] { return notices.Count(WaveMessage::OutDone) == 3; }, 5s));

    // The end-of-sound notice comes when the last sample has been played, not when it was
    // handed over.
    const auto heardAfter = notices.LastTime() - written;
    EXPECT_GE(heardAfter, 1400ms);
    std::uint32_t position = 0;
    ASSERT_EQ(audio_.WaveOut().GetPosition(handle, position), MmResult::NoError);
    EXPECT_EQ(position, bytes.size());
    for (WaveHeader& header : headers) {
        EXPECT_EQ(header.flags & (kWaveHeaderDone | kWaveHeaderInQueue), kWaveHeaderDone);
        ASSERT_EQ(audio_.WaveOut().UnprepareHeader(handle, header), MmResult::NoError);
    }
    ASSERT_EQ(audio_.WaveOut().Close(handle), MmResult::NoError);
    EXPECT_EQ(notices.Messages().front(), WaveMessage::OutOpen);
    EXPECT_EQ(notices.Messages().back(), WaveMessage::OutClose);

    ASSERT_EQ(capture.Wait(), 0);
    const std::optional<PcmSamples> heard = ReadSound(recorded);
    ASSERT_TRUE(heard.has_value());
    // Now and then (about one run in ten on PulseAudio) the first 20 ms block of a new stream is
    // not heard: the monitor passes it on as silence, the rest is in place, and the end-of-sound
    // notice comes that much earlier. Not understood yet; until it is, the sound is found from
    // its middle, a silent lead up to 50 ms is let through and reported, and every sample after
    // it must be exact.
    const std::size_t middle = reference->samples.size() / channels / 2;
    const std::span<const std::int16_t> sound(reference->samples);
    const std::optional<std::size_t> fromMiddle =
        FindByCorrelation(heard->samples, sound.subspan(middle * channels), channels);
    ASSERT_TRUE(fromMiddle.has_value() && *fromMiddle >= middle);
    const std::size_t at = *fromMiddle - middle;
    std::size_t lead = 0;
    const auto silentFrame = [&](std::size_t frame) {
        const auto samples = std::span(heard->samples).subspan(frame * channels, channels);
        return std::all_of(samples.begin(), samples.end(), [](std::int16_t s) { return s == 0; });
    };
    while (lead < source_.rate / 20 && silentFrame(at + lead))
        ++lead;
    EXPECT_EQ(CountDifferences(heard->samples, sound.subspan(lead * channels), at + lead, channels),
              0u);
    ReportMeasurement(
        "playback: " + std::to_string(reference->samples.size() - lead * channels) +
        " samples reached the speaker exactly after a lead of " + std::to_string(lead) +
        " silent frames; the end-of-sound notice came " +
        std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(heardAfter).count()) +
        " ms after writing 1500 ms of sound");
}

}  // namespace
}  // namespace alsa_test
