// Wave input and output through ALSA to the sound server's virtual microphone and speaker.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/alsa/alsa_audio_system.h"
#include "platform/audio/wave_caps.h"
#include "server_test.h"
#include "test_sounds.h"
#include "wave_recorder.h"

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
using zav::platform::WaveInHandle;
using zav::platform::WaveMessage;
using zav::platform::WaveOutCaps;
using zav::platform::WaveOutHandle;
using zav::platform::alsa::AlsaAudioSystem;

// What a device's callback received, in order, with the time of each notice.
class NoticeLog {
  public:
    void Add(WaveMessage message, WaveHeader* header) {
        std::lock_guard lock(mutex_);
        entries_.push_back({message, header, std::chrono::steady_clock::now()});
    }
    std::size_t Count(WaveMessage message) const {
        std::lock_guard lock(mutex_);
        std::size_t count = 0;
        for (const Entry& entry : entries_)
            count += entry.message == message ? 1 : 0;
        return count;
    }
    std::vector<WaveMessage> Messages() const {
        std::lock_guard lock(mutex_);
        std::vector<WaveMessage> messages;
        for (const Entry& entry : entries_)
            messages.push_back(entry.message);
        return messages;
    }
    std::chrono::steady_clock::time_point LastTime() const {
        std::lock_guard lock(mutex_);
        return entries_.empty() ? std::chrono::steady_clock::time_point{} : entries_.back().time;
    }

  private:
    struct Entry {
        WaveMessage message;
        WaveHeader* header;
        std::chrono::steady_clock::time_point time;
    };
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};

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

    EXPECT_EQ(audio_.WaveIn().GetDevCaps(inputs, inCaps), MmResult::BadDeviceId);
    EXPECT_EQ(audio_.WaveOut().GetDevCaps(outputs, outCaps), MmResult::BadDeviceId);
}

TEST_F(WaveDevicesTest, FormatsAndDevicesThatCannotBeOpenedAreRefused) {
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
    EXPECT_EQ(audio_.WaveOut().Write(WaveOutHandle{12345}, header), MmResult::InvalHandle);
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
    WaveRecorder recorder(audio_.WaveIn(), format, format.avgBytesPerSec / 8, 16);
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
    WaveRecorder recorder(audio_.WaveIn(), format, 2756 * 2, 16);
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
    ASSERT_EQ(audio_.WaveOut().Open(handle, kWaveMapper, NativeFormat(),
                                    [&](WaveOutHandle, WaveMessage message, WaveHeader* header) {
                                        notices.Add(message, header);
                                    }),
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
    const std::optional<std::size_t> at =
        FindByCorrelation(heard->samples, reference->samples, channels);
    ASSERT_TRUE(at.has_value());
    EXPECT_EQ(CountDifferences(heard->samples, reference->samples, *at, channels), 0u);
    ReportMeasurement(
        "playback: " + std::to_string(reference->samples.size()) +
        " samples reached the speaker exactly; the end-of-sound notice came " +
        std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(heardAfter).count()) +
        " ms after writing 1500 ms of sound");
}

TEST_F(WaveDevicesTest, CaptureStopsResetsAndClosesCleanlyFromEveryState) {
    NoticeLog notices;
    const PcmWaveFormat format = Pcm16(1, 22050);
    auto record = [&](WaveInHandle, WaveMessage message, WaveHeader* header) {
        notices.Add(message, header);
    };
    // Opened and closed at once: the open notice, then the close notice, and nothing later.
    WaveInHandle handle;
    ASSERT_EQ(audio_.WaveIn().Open(handle, kWaveMapper, format, record), MmResult::NoError);
    ASSERT_EQ(audio_.WaveIn().Close(handle), MmResult::NoError);
    EXPECT_EQ(notices.Messages(), (std::vector{WaveMessage::InOpen, WaveMessage::InClose}));
    EXPECT_EQ(audio_.WaveIn().Close(handle), MmResult::InvalHandle);

    // Running with two one-second buffers.
    NoticeLog running;
    ASSERT_EQ(audio_.WaveIn().Open(handle, kWaveMapper, format,
                                   [&](WaveInHandle, WaveMessage message, WaveHeader* header) {
                                       running.Add(message, header);
                                   }),
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
    EXPECT_EQ(audio_.WaveIn().UnprepareHeader(handle, headers[0]), MmResult::WaveStillPlaying);
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

    // Reset hands back the rest, empty, and starts the position again.
    ASSERT_EQ(audio_.WaveIn().Reset(handle), MmResult::NoError);
    EXPECT_EQ(headers[1].flags & (kWaveHeaderDone | kWaveHeaderInQueue), kWaveHeaderDone);
    EXPECT_EQ(headers[1].bytesRecorded, 0u);
    audio_.WaveIn().GetPosition(handle, position);
    EXPECT_EQ(position, 0u);
    for (WaveHeader& header : headers)
        ASSERT_EQ(audio_.WaveIn().UnprepareHeader(handle, header), MmResult::NoError);
    ASSERT_EQ(audio_.WaveIn().Close(handle), MmResult::NoError);
    EXPECT_EQ(running.Count(WaveMessage::InData), 2u);
    EXPECT_EQ(running.Messages().back(), WaveMessage::InClose);
}

TEST_F(WaveDevicesTest, PlaybackResetStopsTheSoundAndHandsTheBufferBack) {
    NoticeLog notices;
    WaveOutHandle handle;
    ASSERT_EQ(audio_.WaveOut().Open(handle, kWaveMapper, Pcm16(1, 22050),
                                    [&](WaveOutHandle, WaveMessage message, WaveHeader* header) {
                                        notices.Add(message, header);
                                    }),
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
    ASSERT_EQ(audio_.WaveOut().UnprepareHeader(handle, header), MmResult::NoError);
    ASSERT_EQ(audio_.WaveOut().Close(handle), MmResult::NoError);
    EXPECT_EQ(audio_.WaveOut().GetPosition(handle, position), MmResult::InvalHandle);
}

TEST_F(WaveDevicesTest, WaveCallsFromInsideACallbackAreRefusedNotDeadlocked) {
    std::atomic<MmResult> closeFromCallback{MmResult::NoError};
    std::atomic<MmResult> startFromCallback{MmResult::NoError};
    std::atomic<bool> called{false};
    WaveInHandle handle;
    zav::platform::WaveInApi& waveIn = audio_.WaveIn();
    ASSERT_EQ(waveIn.Open(handle, kWaveMapper, Pcm16(1, 22050),
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

TEST_F(WaveDevicesTest, ABufferQueuedWhileCloseRunsIsRefusedAndNeverReturned) {
    // The open notice is held on the device thread, so Close has to wait for it: a buffer
    // queued meanwhile must be refused, not accepted and then forgotten by the closing device.
    std::mutex mutex;
    std::condition_variable changed;
    bool held = false;
    bool released = false;
    std::atomic<int> dataNotices{0};
    zav::platform::WaveInApi& waveIn = audio_.WaveIn();
    WaveInHandle handle;
    ASSERT_EQ(waveIn.Open(handle, kWaveMapper, Pcm16(1, 22050),
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
        changed.wait(lock, [&] { return held; });
    }
    std::atomic<MmResult> closed{MmResult::Error};
    std::thread closer([&] { closed = waveIn.Close(handle); });
    std::uint32_t position = 0;
    while (waveIn.GetPosition(handle, position) == MmResult::NoError)
        std::this_thread::yield();  // until Close has begun

    EXPECT_EQ(waveIn.AddBuffer(handle, header), MmResult::InvalHandle);
    EXPECT_EQ(header.flags & kWaveHeaderInQueue, 0u);
    {
        std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
    closer.join();
    EXPECT_EQ(closed.load(), MmResult::NoError);
    EXPECT_EQ(dataNotices.load(), 0);
}

TEST_F(WaveDevicesTest, TheOutputHoldKeepsPlaybackOpenWhileCaptureRuns) {
    std::unique_ptr<zav::platform::OutputDeviceHold> hold;
    ASSERT_EQ(audio_.CreateOutputHold(hold), MmResult::NoError);
    ASSERT_NE(hold, nullptr);
    EXPECT_EQ(hold->SetCooperativeLevel(zav::platform::CooperativeLevel::Normal),
              MmResult::NoError);
    WaveRecorder recorder(audio_.WaveIn(), Pcm16(2, 22050), 11024, 4);
    EXPECT_EQ(recorder.Open(), MmResult::NoError);
    EXPECT_EQ(recorder.Finish(), MmResult::NoError);
}

}  // namespace
}  // namespace alsa_test
