// VoxGauge's setup dialog on the real sound: ALSA through the sound server, the virtual
// microphone fed with speech and tones, and the server's source volume seen through pactl.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "platform/alsa/alsa_mixer.h"
#include "platform/hardware/audio_backend_list.h"
#include "platform/hardware/hardware_backends.h"
#include "platform/sim/audio_backends.h"
#include "platform/testing/manual_dispatcher.h"
#include "real_vox_gauge.h"
#include "server_test.h"
#include "test_sounds.h"
#include "voxgauge/resources.h"

namespace alsa_test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using voxgauge::MicEnvRecord;

constexpr auto kTimerPeriod = std::chrono::milliseconds(voxgauge::kLevelTimerPeriodMs);
// The gauge shows a loud voice at this level or above (a 0.5 full-scale tone gives 15).
constexpr int kLoud = 12;

long ServerVolume(std::uint32_t volume) {
    return std::lround(volume * 65536.0 / 65535.0);
}
int HostVolume(long raw) {
    return static_cast<int>(std::lround(raw * 65535.0 / 65536.0));
}

// Ticks the level timer every 100 ms, as the window would, until done says stop or limit has
// passed; the time of the tick that satisfied done, if any.
std::optional<Clock::time_point> TickUntil(RealVoxGauge& gauge,
                                           const std::function<bool(int)>& done,
                                           std::chrono::milliseconds limit) {
    const Clock::time_point start = Clock::now();
    Clock::time_point next = start;
    while (Clock::now() - start < limit) {
        next += kTimerPeriod;
        std::this_thread::sleep_until(next);
        if (done(gauge.TickAndReadGauge()))
            return Clock::now();
    }
    return std::nullopt;
}

long long Milliseconds(Clock::duration duration) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(duration).count();
}

using VoxGaugeOnServerTest = ServerTest;

TEST_F(VoxGaugeOnServerTest, TheProgramChoosesTheRealSoundUnlessTheSimulatedCardIsNamed) {
    zav::platform::sim::ManualDispatcher dispatcher;
    const zav::platform::AudioSelection chosen = zav::platform::ChooseAudioBackend(
        dispatcher, [](std::string_view) -> std::optional<std::string> { return std::nullopt; });
    ASSERT_TRUE(chosen.bundle) << chosen.problem;
    EXPECT_EQ(chosen.backend, "alsa");
    // The real sound brings its own mixer.
    EXPECT_GE(chosen.bundle.mixer->GetNumDevs(), 1u);

    const zav::platform::AudioSelection simulated = zav::platform::ChooseAudioBackend(
        dispatcher, [](std::string_view name) -> std::optional<std::string> {
            if (name == zav::platform::kAudioBackendVariable)
                return "sim";
            return std::nullopt;
        });
    ASSERT_TRUE(simulated.bundle);
    EXPECT_EQ(simulated.backend, "sim");
    ASSERT_NE(simulated.bundle.mixer, nullptr);
    zav::platform::MixerCaps caps;
    ASSERT_EQ(simulated.bundle.mixer->GetDevCaps(0, caps), zav::platform::MixerResult::NoError);
    EXPECT_NE(caps.name.find("Simulated"), std::string::npos) << caps.name;
}

TEST_F(VoxGaugeOnServerTest, TheGaugeFollowsTheVoiceFromSilenceToLoudSpeech) {
    const std::filesystem::path tone = MakeTone(
        "step_tone_" + std::to_string(source_.rate) + "_" + std::to_string(source_.channels),
        source_.rate, source_.channels, 10.0, 440.0, 0.5);
    const std::filesystem::path speech =
        MakeSpeech("speech", "Hello Pim Pim. This is the microphone check, can you hear me?");
    ASSERT_FALSE(tone.empty());
    ASSERT_FALSE(speech.empty());

    RealVoxGauge gauge;
    ASSERT_TRUE(gauge.Open());
    EXPECT_TRUE(gauge.Messages().empty());

    // Silence: the gauge rests at 0.
    int loudest = -1;
    TickUntil(
        gauge,
        [&](int value) {
            loudest = std::max(loudest, value);
            return false;
        },
        1s);
    EXPECT_EQ(loudest, 0);

    // A step from silence to a loud tone, and how long the gauge takes to show it.
    const Clock::time_point feeding = Clock::now();
    ASSERT_TRUE(Feed(tone, true));
    const Clock::time_point playing = Clock::now();
    // The level is polled closely to see when the engine published it; the gauge moves only
    // on the 100 ms timer.
    std::optional<Clock::time_point> published;
    std::optional<Clock::time_point> shown;
    Clock::time_point nextTick = playing + kTimerPeriod;
    while (!shown && Clock::now() - playing < 3s) {
        if (!published && gauge.CaptureLevel() >= kLoud)
            published = Clock::now();
        if (Clock::now() >= nextTick) {
            nextTick += kTimerPeriod;
            if (gauge.TickAndReadGauge() >= kLoud)
                shown = Clock::now();
        }
        std::this_thread::sleep_for(2ms);
    }
    ASSERT_TRUE(shown.has_value()) << "the gauge did not rise for a loud tone";
    ReportMeasurement(
        "step in the input to the gauge: " + std::to_string(Milliseconds(*shown - playing)) +
        " ms (the level was published after " +
        std::to_string(Milliseconds(published.value_or(*shown) - playing)) +
        " ms) from the moment the feed was playing, " +
        std::to_string(Milliseconds(*shown - feeding)) +
        " ms from asking for it; design bound 125 ms + 100 ms; source " +
        std::to_string(source_.rate) + " Hz x " + std::to_string(source_.channels));
    EXPECT_LT(*shown - playing, 1500ms);

    // Back to silence, then speech.
    ASSERT_TRUE(FeedStop());
    EXPECT_TRUE(TickUntil(
                    gauge, [](int value) { return value == 0; }, 3s)
                    .has_value())
        << "the gauge did not fall back to 0 in silence";
    ASSERT_TRUE(Feed(speech, true));
    loudest = 0;
    TickUntil(
        gauge,
        [&](int value) {
            loudest = std::max(loudest, value);
            return false;
        },
        3s);
    EXPECT_GE(loudest, kLoud) << "loud speech gave only " << loudest;

    gauge.PressOk();
    EXPECT_EQ(gauge.EndResult(), zav::platform::kIdOk);
}

TEST_F(VoxGaugeOnServerTest, TheSliderAndTheServersSourceVolumeFollowEachOther) {
    RealVoxGauge gauge;
    ASSERT_TRUE(gauge.Open());
    EXPECT_TRUE(gauge.SliderEnabled());
    EXPECT_EQ(gauge.SliderPosition(), 65535);  // the source at 100 %

    // The user moves the slider: the server's source follows, on every channel.
    gauge.MoveSlider(32768);
    EXPECT_EQ(DefaultSourceVolumes(), std::vector<long>(source_.channels, ServerVolume(32768)));
    EXPECT_EQ(gauge.SliderPosition(), 32768);

    // Another program changes the source: the slider follows through a notification.
    ASSERT_TRUE(SetDefaultSourceVolumes({19660}));
    EXPECT_TRUE(WaitUntil([&] { return gauge.SliderPosition() == HostVolume(19660); }, 2s))
        << "slider at " << gauge.SliderPosition();
    if (source_.channels == 2) {
        // Channels apart: the slider shows the first.
        ASSERT_TRUE(SetDefaultSourceVolumes({45875, 19660}));
        EXPECT_TRUE(WaitUntil([&] { return gauge.SliderPosition() == HostVolume(45875); }, 2s))
            << "slider at " << gauge.SliderPosition();
    }
}

TEST_F(VoxGaugeOnServerTest, OkStoresTheServersCaptureControlsInMicEnv) {
    std::vector<long> volumes = {45875, 30000};
    volumes.resize(source_.channels);
    ASSERT_TRUE(SetDefaultSourceVolumes(volumes));
    ASSERT_TRUE(SetDefaultSourceMuted(true));

    // The microphone's controls as the mixer shows them, for their ids.
    zav::platform::sim::ManualDispatcher dispatcher;
    zav::platform::alsa::AlsaMixer mixer(dispatcher);
    zav::platform::MixerHandle handle = zav::platform::kNullMixer;
    ASSERT_EQ(mixer.Open(0, nullptr, handle), zav::platform::MixerResult::NoError);
    zav::platform::MixerLine mic{.destination = 0, .source = 0};
    ASSERT_EQ(mixer.GetLineInfo(handle, zav::platform::LineInfoQuery::Source, mic),
              zav::platform::MixerResult::NoError);
    std::vector<zav::platform::MixerControl> controls(mic.controls);
    zav::platform::MixerLineControls request{.lineId = mic.lineId, .controls = controls};
    ASSERT_EQ(mixer.GetLineControls(handle, zav::platform::LineControlsQuery::All, request),
              zav::platform::MixerResult::NoError);
    mixer.Close(handle);
    ASSERT_EQ(controls.size(), 2u);

    RealVoxGauge gauge;
    ASSERT_TRUE(gauge.Open());
    gauge.PressOk();
    EXPECT_EQ(gauge.EndResult(), zav::platform::kIdOk);

    // The volume channel by channel (one record when the channels are joined), then the mute.
    std::vector<MicEnvRecord> expected;
    const std::uint32_t volumeChannels = controls[0].IsUniform() ? 1 : source_.channels;
    for (std::uint32_t c = 0; c < volumeChannels; ++c) {
        expected.push_back({volumeChannels, 1, controls[0].controlId,
                            static_cast<std::uint32_t>(HostVolume(volumes[c])), 0});
    }
    expected.push_back({1, 1, controls[1].controlId, 1, 0});
    EXPECT_EQ(gauge.StoredMicEnv(), expected);
}

class VoxGaugeOnPrivateServerTest : public PrivateServerTest {};

TEST_F(VoxGaugeOnPrivateServerTest, AServerWithoutAnySourceGivesMessage103) {
    ASSERT_TRUE(server_->RemoveAllDevices());
    RealVoxGauge gauge;
    EXPECT_FALSE(gauge.Open());
    const std::vector<zav::platform::sim::ShownMessage> shown = gauge.Messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, voxgauge::kMicCheckCaption);
    EXPECT_EQ(shown[0].text, voxgauge::LoadString(voxgauge::StringId::NoFullDuplex));
    EXPECT_FALSE(gauge.StoredMicEnv().has_value());
}

TEST_F(VoxGaugeOnPrivateServerTest, AServerThatStopsLeavesTheDialogResponsive) {
    RealVoxGauge gauge;
    ASSERT_TRUE(gauge.Open());
    EXPECT_TRUE(gauge.SliderEnabled());
    TickUntil(
        gauge, [](int) { return false; }, 500ms);

    ASSERT_TRUE(server_->Stop());
    // Every step below must be answered at once by the dialog thread (within a second).
    const Clock::time_point stopped = Clock::now();
    int last = -1;
    while (Clock::now() - stopped < 2s) {
        std::this_thread::sleep_for(kTimerPeriod);
        gauge.On([] {}, 1s);
        last = gauge.TickAndReadGauge();
    }
    EXPECT_EQ(last, 0);
    gauge.MoveSlider(1000);  // the mixer has gone: nothing to set, and nothing breaks
    gauge.On([] {}, 1s);
    gauge.PressOk();
    EXPECT_EQ(gauge.EndResult(), zav::platform::kIdOk);
    // Nothing could be read from a mixer that has gone, so no snapshot was stored.
    EXPECT_FALSE(gauge.StoredMicEnv().has_value());
}

}  // namespace
}  // namespace alsa_test
