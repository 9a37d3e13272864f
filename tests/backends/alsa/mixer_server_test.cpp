// The ALSA mixer on the sound server: the mixer contract, then the default source as the
// recording microphone, its volume and mute against what pactl sees and sets.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <vector>

#include "platform/alsa/alsa_mixer.h"
#include "platform/testing/manual_dispatcher.h"
#include "server_test.h"
#include "tests/contracts/mixer_contract.h"

namespace alsa_test {
namespace {

using namespace std::chrono_literals;
using zav::platform::ComponentType;
using zav::platform::ControlType;
using zav::platform::kControlUniform;
using zav::platform::kNullMixer;
using zav::platform::LineInfoQuery;
using zav::platform::MixerCaps;
using zav::platform::MixerChange;
using zav::platform::MixerControl;
using zav::platform::MixerHandle;
using zav::platform::MixerLine;
using zav::platform::MixerResult;
using zav::platform::alsa::AlsaMixer;

// The server's raw volume (0 to 65536) for a host volume, and back, drawn independently.
long ServerVolume(std::uint32_t volume) {
    return std::lround(volume * 65536.0 / 65535.0);
}
std::uint32_t HostVolume(long raw) {
    return static_cast<std::uint32_t>(std::lround(raw * 65535.0 / 65536.0));
}

// The sound server's default device; outside changes are made with pactl.
class AlsaMixerRig : public ServerTest {
  public:
    static constexpr std::array<zav::platform::contracts::SkippedCase, 0> kSkipped{};

  protected:
    zav::platform::Mixer& Subject() { return mixer_; }
    std::uint32_t RecordingDevice() { return 0; }
    // The server's events take a moment to arrive.
    void DeliverNotices() { dialog_.RunFor(500ms); }
    void SetVolumeFromOutside(std::uint32_t, std::uint32_t value) {
        ASSERT_TRUE(SetDefaultSourceVolumes(std::vector(source_.channels, ServerVolume(value))));
    }

    zav::platform::sim::ManualDispatcher dialog_;
    AlsaMixer mixer_{dialog_};
};

// The contract's helpers, on the microphone (volume, then mute) of the open handle.
class MixerServerTest : public zav::platform::contracts::MixerContract<AlsaMixerRig> {
  protected:
    void OpenMixer(zav::platform::MixerNotificationSink* sink) {
        ASSERT_NO_FATAL_FAILURE(Find(sink, found_));
        ASSERT_EQ(found_.controls.size(), 2u);
        handle_ = found_.handle;
        mic_ = found_.microphone;
        controls_ = found_.controls;
    }
    std::vector<std::uint32_t> Read(const MixerControl& control, std::uint32_t channels) {
        std::vector<std::uint32_t> values;
        EXPECT_EQ(MixerContract::Read(handle_, control, channels, values), MixerResult::NoError);
        return values;
    }
    MixerResult Write(const MixerControl& control, std::vector<std::uint32_t> values) {
        return MixerContract::Write(handle_, control, std::move(values));
    }

    Found found_;
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
    zav::platform::contracts::MixerNoticeLog sink;
    OpenMixer(&sink);
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

    // A switch thrown by another program is noticed too.
    dialog_.RunFor(300ms);
    sink.heard.clear();
    ASSERT_TRUE(SetDefaultSourceMuted(true));
    const zav::platform::contracts::MixerNoticeLog::Notice muted{MixerChange::Control, handle_,
                                                                 mute.controlId};
    EXPECT_TRUE(WaitUntil(
        [&] {
            dialog_.RunFor(20ms);
            return std::ranges::count(sink.heard, muted) == 1;
        },
        2s));
    EXPECT_EQ(Read(mute, 1), std::vector<std::uint32_t>{1});
}

}  // namespace
}  // namespace alsa_test

namespace zav::platform::contracts {
INSTANTIATE_TYPED_TEST_SUITE_P(Alsa, MixerContract, ::testing::Types<alsa_test::AlsaMixerRig>);
}  // namespace zav::platform::contracts
