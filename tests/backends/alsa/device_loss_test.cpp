// Devices whose sound server goes away while they are open, and a server without any device:
// each on a private server of the test's own, so the shared one stays up.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

#include "platform/alsa/alsa_audio_system.h"
#include "platform/alsa/alsa_mixer.h"
#include "platform/testing/manual_dispatcher.h"
#include "server_test.h"

namespace alsa_test {
namespace {

using namespace std::chrono_literals;
using zav::platform::kWaveMapper;
using zav::platform::MixerChange;
using zav::platform::MixerHandle;
using zav::platform::MmResult;
using zav::platform::WaveHeader;
using zav::platform::WaveInHandle;
using zav::platform::WaveMessage;
using zav::platform::WaveOutHandle;
using zav::platform::alsa::AlsaAudioSystem;

class DeviceLossTest : public PrivateServerTest {};

// Counts the buffers a device hands back.
struct ReturnedBuffers {
    std::atomic<int> count{0};
    void operator()(WaveMessage message) {
        if (message == WaveMessage::InData || message == WaveMessage::OutDone)
            ++count;
    }
};

TEST_F(DeviceLossTest, ACaptureWhoseServerStopsHandsEveryBufferBackAndStillCloses) {
    AlsaAudioSystem audio;
    ReturnedBuffers returned;
    WaveInHandle handle;
    ASSERT_EQ(audio.WaveIn().Open(
                  handle, kWaveMapper, Pcm16(1, 22050),
                  [&](WaveInHandle, WaveMessage message, WaveHeader*) { returned(message); }),
              MmResult::NoError);
    std::vector<std::uint8_t> data(4 * 22050);
    std::vector<WaveHeader> headers(4);
    for (std::size_t i = 0; i < headers.size(); ++i) {
        headers[i].data = data.data() + i * 22050;
        headers[i].bufferLength = 22050;  // half a second each
        audio.WaveIn().PrepareHeader(handle, headers[i]);
        ASSERT_EQ(audio.WaveIn().AddBuffer(handle, headers[i]), MmResult::NoError);
    }
    ASSERT_EQ(audio.WaveIn().Start(handle), MmResult::NoError);
    std::this_thread::sleep_for(200ms);

    ASSERT_TRUE(server_->Stop());
    EXPECT_TRUE(WaitUntil([&] { return returned.count == 4; }, 3s))
        << returned.count << " of 4 buffers came back";
    // The device is gone: nothing more is taken, and the program learns why.
    EXPECT_EQ(audio.WaveIn().AddBuffer(handle, headers[0]), MmResult::NoDriver);
    EXPECT_EQ(audio.WaveIn().Start(handle), MmResult::NoDriver);
    std::string text;
    audio.WaveIn().GetErrorText(MmResult::NoDriver, text);
    EXPECT_NE(text.find("stopped working"), std::string::npos) << text;
    EXPECT_EQ(audio.WaveIn().Reset(handle), MmResult::NoError);
    for (WaveHeader& header : headers)
        EXPECT_EQ(audio.WaveIn().UnprepareHeader(handle, header), MmResult::NoError);
    EXPECT_EQ(audio.WaveIn().Close(handle), MmResult::NoError);
}

TEST_F(DeviceLossTest, APlaybackWhoseServerStopsEndsItsSoundAndStillCloses) {
    AlsaAudioSystem audio;
    ReturnedBuffers returned;
    WaveOutHandle handle;
    ASSERT_EQ(audio.WaveOut().Open(
                  handle, kWaveMapper, Pcm16(1, 22050),
                  [&](WaveOutHandle, WaveMessage message, WaveHeader*) { returned(message); }),
              MmResult::NoError);
    std::vector<std::uint8_t> silence(5 * 44100);
    WaveHeader header;
    header.data = silence.data();
    header.bufferLength = static_cast<std::uint32_t>(silence.size());
    audio.WaveOut().PrepareHeader(handle, header);
    ASSERT_EQ(audio.WaveOut().Write(handle, header), MmResult::NoError);
    std::this_thread::sleep_for(300ms);

    ASSERT_TRUE(server_->Stop());
    // Five seconds of sound end at once, as the end of the sound.
    EXPECT_TRUE(WaitUntil([&] { return returned.count == 1; }, 3s));
    std::uint32_t position = 0;
    EXPECT_EQ(audio.WaveOut().GetPosition(handle, position), MmResult::NoDriver);
    EXPECT_EQ(audio.WaveOut().Write(handle, header), MmResult::NoDriver);
    EXPECT_EQ(audio.WaveOut().Reset(handle), MmResult::NoError);
    EXPECT_EQ(audio.WaveOut().UnprepareHeader(handle, header), MmResult::NoError);
    EXPECT_EQ(audio.WaveOut().Close(handle), MmResult::NoError);
}

TEST_F(DeviceLossTest, AMixerWhoseServerStopsAnnouncesItAndStillCloses) {
    zav::platform::sim::ManualDispatcher dialog;
    zav::platform::alsa::AlsaMixer mixer(dialog);
    struct Sink : zav::platform::MixerNotificationSink {
        void OnMixerChange(MixerChange change, MixerHandle, std::uint32_t) override {
            if (change == MixerChange::Line)
                ++lineChanges;
        }
        int lineChanges = 0;
    } sink;
    ASSERT_GE(mixer.GetNumDevs(), 1u);
    MixerHandle handle = zav::platform::kNullMixer;
    ASSERT_EQ(mixer.Open(0, &sink, handle), zav::platform::MixerResult::NoError);
    zav::platform::MixerLine mic{.destination = 0, .source = 0};
    ASSERT_EQ(mixer.GetLineInfo(handle, zav::platform::LineInfoQuery::Source, mic),
              zav::platform::MixerResult::NoError);
    std::vector<zav::platform::MixerControl> controls(mic.controls);
    zav::platform::MixerLineControls request{.lineId = mic.lineId, .controls = controls};
    ASSERT_EQ(mixer.GetLineControls(handle, zav::platform::LineControlsQuery::All, request),
              zav::platform::MixerResult::NoError);

    ASSERT_TRUE(server_->Stop());
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (sink.lineChanges == 0 && std::chrono::steady_clock::now() < deadline)
        dialog.RunFor(50ms);
    EXPECT_GT(sink.lineChanges, 0);
    std::uint32_t value = 0;
    zav::platform::MixerControlDetails details{
        .controlId = controls[0].controlId, .channels = 1, .details = std::span(&value, 1)};
    EXPECT_EQ(mixer.GetControlDetails(handle, zav::platform::ControlDetailsQuery::Value, details),
              zav::platform::MixerResult::NoDriver);
    EXPECT_EQ(mixer.Close(handle), zav::platform::MixerResult::NoError);
}

TEST_F(DeviceLossTest, AServerWithoutAnyDeviceLetsTheHoldOpenButNotTheCapture) {
    ASSERT_TRUE(server_->RemoveAllDevices());
    AlsaAudioSystem audio;
    // Connecting to the server is all the hold does, so it still succeeds ...
    std::unique_ptr<zav::platform::OutputDeviceHold> hold;
    EXPECT_EQ(audio.CreateOutputHold(hold), MmResult::NoError);
    // ... but there is nothing to record from.
    WaveInHandle handle{5};
    const MmResult opened = audio.WaveIn().Open(handle, kWaveMapper, Pcm16(2, 22050), nullptr);
    EXPECT_EQ(opened, MmResult::NoDriver);
    EXPECT_FALSE(handle);
    std::string text;
    audio.WaveIn().GetErrorText(opened, text);
    EXPECT_NE(text.find("snd_pcm_hw_params"), std::string::npos) << text;
}

// The programs check for a sound device when they choose the sound and then count the devices
// again in their dialog: the list the check made serves that first count, so the devices are not
// opened twice at start, and every later count looks at the devices as they are.
TEST_F(DeviceLossTest, TheStartUpListServesTheFirstCountOnlyAndLaterCountsLookAgain) {
    AlsaAudioSystem audio;
    ASSERT_TRUE(audio.AnyDeviceAnswers());
    ASSERT_TRUE(server_->Stop());  // the default device goes away after the check

    const std::uint32_t fromTheCheck = audio.WaveIn().GetNumDevs();
    ASSERT_GE(fromTheCheck, 1u);
    // Without the server the default device, first in the list, is not listed any more.
    EXPECT_EQ(audio.WaveIn().GetNumDevs(), fromTheCheck - 1);
    EXPECT_EQ(audio.WaveIn().GetNumDevs(), fromTheCheck - 1);
}

}  // namespace
}  // namespace alsa_test
