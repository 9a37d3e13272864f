// The WinMM mixer backend on the mixers Wine's sound driver shows for the sandbox's devices:
// the mixer contract on the wave mapper's recording mixer, then what only this backend shows:
// values that round-trip on the recording destination, whose source lines keep none.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <vector>

#include "platform/testing/manual_dispatcher.h"
#include "platform/winmm/winmm_mixer.h"
#include "sandbox_devices.h"
#include "tests/contracts/mixer_contract.h"

namespace winmm_test {
namespace {

using namespace zav::platform;
using namespace std::chrono_literals;

// The wave mapper's recording mixer; an outside change is made through a second mixer of its
// own, as another program would.
class WinmmMixerRig : public SandboxTest {
  public:
    static constexpr std::array kSkipped = {
        contracts::SkippedCase{"AChangeFromOutsideIsNoticedOnce",
                               "Wine's mixer sends no notice of a change"},
        contracts::SkippedCase{"OneChannelWritesEveryChannelAndValuesKeepToTheBounds",
                               "Wine's source lines keep no values"},
        contracts::SkippedCase{"ControlsAreFoundByIdAndIndexesBeyondTheLinesAreRefused",
                               "Wine answers InvalidLine for an index beyond the lines, finds no "
                               "control of a destination by id and names no line for the others"},
        contracts::SkippedCase{"DetailRequestsOutsideTheControlsShapeAreRefused",
                               "Wine's mixer takes any channel and item count"},
    };

  protected:
    void SetUp() override {
        SandboxTest::SetUp();
        if (!IsSkipped()) {
            ASSERT_EQ(mixer_.GetIdOfWaveIn(kWaveMapper, device_), MixerResult::NoError);
        }
    }
    Mixer& Subject() { return mixer_; }
    std::uint32_t RecordingDevice() { return device_; }
    // Notices from the system arrive on the notice window's thread.
    void DeliverNotices() { dispatcher_.RunFor(200ms); }
    void SetVolumeFromOutside(std::uint32_t controlId, std::uint32_t value) {
        sim::ManualDispatcher elsewhere;
        winmm::WinmmMixer other(elsewhere);
        MixerHandle handle{};
        ASSERT_EQ(other.Open(device_, nullptr, handle), MixerResult::NoError);
        std::array<std::uint32_t, 1> values{value};
        const MixerControlDetails details{.controlId = controlId, .channels = 1, .details = values};
        EXPECT_EQ(other.SetControlDetails(handle, ControlDetailsSet::Value, details),
                  MixerResult::NoError);
        other.Close(handle);
    }

    sim::ManualDispatcher dispatcher_;
    winmm::WinmmMixer mixer_{dispatcher_};
    std::uint32_t device_ = 0;
};

class WinmmMixerTest : public WinmmMixerRig {};

TEST_F(WinmmMixerTest, TheRecordingVolumeSetThroughOneHandleIsReadThroughAnother) {
    MixerHandle a;
    MixerHandle b;
    ASSERT_EQ(mixer_.Open(device_, nullptr, a), MixerResult::NoError);
    ASSERT_EQ(mixer_.Open(device_, nullptr, b), MixerResult::NoError);
    MixerLine recording{.componentType = ComponentType::DstWaveIn};
    ASSERT_EQ(mixer_.GetLineInfo(a, LineInfoQuery::ComponentType, recording), MixerResult::NoError);
    std::array<MixerControl, 1> volume;
    MixerLineControls byType{
        .lineId = recording.lineId, .controlType = ControlType::Volume, .controls = volume};
    ASSERT_EQ(mixer_.GetLineControls(a, LineControlsQuery::OneByType, byType),
              MixerResult::NoError);
    ASSERT_TRUE(volume[0].IsUniform());

    auto access = [&](MixerHandle handle, std::uint32_t value, bool write) {
        std::array<std::uint32_t, 1> values{value};
        MixerControlDetails details{
            .controlId = volume[0].controlId, .channels = 1, .details = values};
        const MixerResult result =
            write ? mixer_.SetControlDetails(handle, ControlDetailsSet::Value, details)
                  : mixer_.GetControlDetails(handle, ControlDetailsQuery::Value, details);
        EXPECT_EQ(result, MixerResult::NoError);
        return values[0];
    };
    const std::uint32_t before = access(a, 0xDEADBEEF, false);
    access(a, 32768, true);
    EXPECT_EQ(access(b, 0xDEADBEEF, false), 32768u);
    access(a, before, true);
    EXPECT_EQ(access(b, 0xDEADBEEF, false), before);
    mixer_.Close(a);
    mixer_.Close(b);
}

}  // namespace
}  // namespace winmm_test

namespace zav::platform::contracts {
INSTANTIATE_TYPED_TEST_SUITE_P(Winmm, MixerContract, ::testing::Types<winmm_test::WinmmMixerRig>);
}  // namespace zav::platform::contracts
