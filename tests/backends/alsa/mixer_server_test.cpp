// The ALSA mixer on the sound server: the default source as the recording microphone, its
// volume and mute against what pactl sees, and the notifications of outside changes.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "platform/alsa/alsa_mixer.h"
#include "platform/testing/manual_dispatcher.h"
#include "server_test.h"

namespace alsa_test {
namespace {

using namespace std::chrono_literals;
using zav::platform::ComponentType;
using zav::platform::ControlDetailsQuery;
using zav::platform::ControlDetailsSet;
using zav::platform::ControlType;
using zav::platform::kControlUniform;
using zav::platform::kNullMixer;
using zav::platform::LineControlsQuery;
using zav::platform::LineInfoQuery;
using zav::platform::MixerCaps;
using zav::platform::MixerChange;
using zav::platform::MixerControl;
using zav::platform::MixerControlDetails;
using zav::platform::MixerHandle;
using zav::platform::MixerLine;
using zav::platform::MixerLineControls;
using zav::platform::MixerResult;
using zav::platform::alsa::AlsaMixer;

// The server's raw volume (0 to 65536) for a host volume, and back, drawn independently.
long ServerVolume(std::uint32_t volume) {
    return std::lround(volume * 65536.0 / 65535.0);
}
std::uint32_t HostVolume(long raw) {
    return static_cast<std::uint32_t>(std::lround(raw * 65535.0 / 65536.0));
}

struct Notice {
    MixerChange change;
    std::uint32_t id;
    friend bool operator==(const Notice&, const Notice&) = default;
};

struct RecordingSink : zav::platform::MixerNotificationSink {
    void OnMixerChange(MixerChange change, MixerHandle, std::uint32_t id) override {
        seen.push_back({change, id});
    }
    std::size_t Count(MixerChange change, std::uint32_t id) const {
        return static_cast<std::size_t>(std::count(seen.begin(), seen.end(), Notice{change, id}));
    }
    std::vector<Notice> seen;
};

class MixerServerTest : public ServerTest {
  protected:
    // Opens mixer 0 and finds the microphone's line and its two controls.
    void OpenMixer(zav::platform::MixerNotificationSink* sink) {
        ASSERT_GE(mixer_.GetNumDevs(), 1u);
        ASSERT_EQ(mixer_.Open(0, sink, handle_), MixerResult::NoError);
        mic_ = MixerLine{.destination = 0, .source = 0};
        ASSERT_EQ(mixer_.GetLineInfo(handle_, LineInfoQuery::Source, mic_), MixerResult::NoError);
        ASSERT_EQ(mic_.controls, 2u);
        controls_.assign(mic_.controls, MixerControl{});
        MixerLineControls request{.lineId = mic_.lineId, .controls = controls_};
        ASSERT_EQ(mixer_.GetLineControls(handle_, LineControlsQuery::All, request),
                  MixerResult::NoError);
    }
    void TearDown() override {
        if (handle_ != kNullMixer)
            mixer_.Close(handle_);
        ServerTest::TearDown();
    }

    std::vector<std::uint32_t> Read(const MixerControl& control, std::uint32_t channels) {
        std::vector<std::uint32_t> values(channels, 0xDEAD);
        MixerControlDetails details{
            .controlId = control.controlId, .channels = channels, .details = values};
        EXPECT_EQ(mixer_.GetControlDetails(handle_, ControlDetailsQuery::Value, details),
                  MixerResult::NoError);
        return values;
    }
    MixerResult Write(const MixerControl& control, std::vector<std::uint32_t> values) {
        MixerControlDetails details{.controlId = control.controlId,
                                    .channels = static_cast<std::uint32_t>(values.size()),
                                    .details = values};
        return mixer_.SetControlDetails(handle_, ControlDetailsSet::Value, details);
    }
    // Runs the dialog thread's queue until sink has seen id change, or limit has passed.
    bool AwaitNotice(const RecordingSink& sink, std::uint32_t id, std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (sink.Count(MixerChange::Control, id) == 0) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            dialog_.RunFor(20ms);
        }
        return true;
    }

    zav::platform::sim::ManualDispatcher dialog_;
    AlsaMixer mixer_{dialog_};
    MixerHandle handle_ = kNullMixer;
    MixerLine mic_;
    std::vector<MixerControl> controls_;
};

TEST_F(MixerServerTest, TheServersDefaultSourceIsTheRecordingMicrophone) {
    MixerCaps caps;
    ASSERT_EQ(mixer_.GetDevCaps(0, caps), MixerResult::NoError);
    EXPECT_EQ(caps.name, DefaultCardName());
    EXPECT_EQ(caps.destinations, 1u);
    OpenMixer(nullptr);

    MixerLine destination{.destination = 0};
    ASSERT_EQ(mixer_.GetLineInfo(handle_, LineInfoQuery::Destination, destination),
              MixerResult::NoError);
    EXPECT_EQ(destination.componentType, ComponentType::DstWaveIn);
    EXPECT_EQ(destination.connections, 1u);
    EXPECT_EQ(mic_.componentType, ComponentType::SrcMicrophone);
    EXPECT_EQ(mic_.channels, source_.channels);

    const MixerControl& volume = controls_[0];
    EXPECT_EQ(volume.controlType, ControlType::Volume);
    EXPECT_EQ(volume.minimum, 0u);
    EXPECT_EQ(volume.maximum, 65535u);
    // A mono source joins its one channel; a stereo one sets each channel apart.
    EXPECT_EQ(volume.IsUniform(), source_.channels == 1);
    const MixerControl& mute = controls_[1];
    EXPECT_EQ(mute.controlType, ControlType::Mute);
    EXPECT_EQ(mute.controlFlags & kControlUniform, kControlUniform);
    EXPECT_EQ(mute.maximum, 1u);

    MixerLine byType{.componentType = ComponentType::SrcMicrophone};
    ASSERT_EQ(mixer_.GetLineInfo(handle_, LineInfoQuery::ComponentType, byType),
              MixerResult::NoError);
    EXPECT_EQ(byType.lineId, mic_.lineId);
}

TEST_F(MixerServerTest, TheVolumeAndMuteAreTheServersOwn) {
    OpenMixer(nullptr);
    const MixerControl& volume = controls_[0];
    const MixerControl& mute = controls_[1];
    const std::uint32_t channels = volume.IsUniform() ? 1 : mic_.channels;

    // Read: what pactl set, channel by channel.
    std::vector<long> set = {19660, 45875};
    set.resize(source_.channels);
    ASSERT_TRUE(SetDefaultSourceVolumes(set));
    std::vector<std::uint32_t> expected;
    for (long raw : set)
        expected.push_back(HostVolume(raw));
    // The change reaches this program a moment after pactl has made it.
    EXPECT_TRUE(WaitUntil([&] { return Read(volume, channels) == expected; }, 2s))
        << Read(volume, channels)[0];
    // One channel of a stereo control reads its first channel.
    EXPECT_EQ(Read(volume, 1), std::vector{HostVolume(set[0])});

    // Written with one channel: every channel of the source gets it.
    ASSERT_EQ(Write(volume, {32768}), MixerResult::NoError);
    EXPECT_EQ(DefaultSourceVolumes(), std::vector<long>(source_.channels, ServerVolume(32768)));
    EXPECT_EQ(Read(volume, 1), std::vector<std::uint32_t>{32768});

    ASSERT_EQ(Write(mute, {1}), MixerResult::NoError);
    EXPECT_EQ(DefaultSourceMuted(), true);
    EXPECT_EQ(Read(mute, 1), std::vector<std::uint32_t>{1});
    ASSERT_EQ(Write(mute, {0}), MixerResult::NoError);
    EXPECT_EQ(DefaultSourceMuted(), false);
}

TEST_F(MixerServerTest, RequestsOutsideTheControlsRulesAreRefused) {
    OpenMixer(nullptr);
    const MixerControl& volume = controls_[0];
    std::vector<std::uint32_t> values(4);
    MixerControlDetails tooMany{.controlId = volume.controlId, .channels = 3, .details = values};
    EXPECT_EQ(mixer_.GetControlDetails(handle_, ControlDetailsQuery::Value, tooMany),
              MixerResult::InvalidParam);
    MixerControlDetails unknown{.controlId = 0xBEEF, .channels = 1, .details = values};
    EXPECT_EQ(mixer_.GetControlDetails(handle_, ControlDetailsQuery::Value, unknown),
              MixerResult::InvalidControl);
    EXPECT_EQ(mixer_.GetControlDetails(handle_, ControlDetailsQuery::ListText, unknown),
              MixerResult::NotSupported);
    EXPECT_EQ(Write(volume, {70000}), MixerResult::InvalidValue);
    EXPECT_EQ(DefaultSourceVolumes(), std::vector<long>(source_.channels, kFullVolume));

    MixerLine line{.destination = 1};
    EXPECT_EQ(mixer_.GetLineInfo(handle_, LineInfoQuery::Destination, line),
              MixerResult::InvalidParam);
    ASSERT_EQ(mixer_.Close(handle_), MixerResult::NoError);
    EXPECT_EQ(mixer_.GetControlDetails(handle_, ControlDetailsQuery::Value, unknown),
              MixerResult::InvalidHandle);
    handle_ = kNullMixer;
}

TEST_F(MixerServerTest, ChangesByOtherProgramsArriveAsNotifications) {
    RecordingSink sink;
    OpenMixer(&sink);
    const std::uint32_t volumeId = controls_[0].controlId;
    const std::uint32_t muteId = controls_[1].controlId;

    ASSERT_TRUE(SetDefaultSourceVolumes({19660}));
    ASSERT_TRUE(AwaitNotice(sink, volumeId, 2s)) << "no notice for pactl set-source-volume";
    EXPECT_EQ(Read(controls_[0], 1), std::vector{HostVolume(19660)});
    ASSERT_TRUE(SetDefaultSourceMuted(true));
    ASSERT_TRUE(AwaitNotice(sink, muteId, 2s)) << "no notice for pactl set-source-mute";

    // The handle's own change is announced to it once.
    sink.seen.clear();
    ASSERT_EQ(Write(controls_[0], {40000}), MixerResult::NoError);
    dialog_.RunFor(300ms);
    EXPECT_EQ(sink.Count(MixerChange::Control, volumeId), 1u);

    // Nothing reaches the sink once its handle is closed, not even what was already queued.
    ASSERT_TRUE(SetDefaultSourceVolumes({10000}));
    std::this_thread::sleep_for(200ms);
    sink.seen.clear();
    ASSERT_EQ(mixer_.Close(handle_), MixerResult::NoError);
    handle_ = kNullMixer;
    dialog_.RunFor(200ms);
    EXPECT_TRUE(sink.seen.empty());
}

}  // namespace
}  // namespace alsa_test
