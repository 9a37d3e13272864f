// The simulated mixer keeps the host's rules, so that the code above it is tested against them:
// the mixer contract, plain and with a system that also reports every write (as Windows does),
// then what only the simulation has.

#include "platform/sim/mixer_sim.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/testing/manual_dispatcher.h"
#include "tests/contracts/mixer_contract.h"
#include "tests/support/mixer_test_cards.h"
#include "tests/support/violation_log.h"

namespace zav::test {
namespace {

using platform::ControlDetailsQuery;
using platform::MixerCaps;
using platform::MixerChange;
using platform::MixerControlDetails;
using platform::MixerHandle;
using platform::MixerNotificationSink;
using platform::MixerResult;
using platform::contracts::MixerNoticeLog;
using platform::sim::MixerCall;
using platform::sim::SimMixer;

class SimMixerTest : public ::testing::Test {
  protected:
    MixerHandle OpenCard(MixerNotificationSink* sink = nullptr) {
        MixerHandle handle{};
        EXPECT_EQ(mixer.Open(0, sink, handle), MixerResult::NoError);
        return handle;
    }

    zav::platform::sim::ManualDispatcher dispatcher;
    SimMixer mixer{RecordingCard(), dispatcher};
};

// The simulated recording card; with Echo, the system also reports each write made through the
// mixer, before the mixer's own announcement is delivered.
template <bool Echo>
class SimRig : public ::testing::Test {
  public:
    static constexpr std::array<platform::contracts::SkippedCase, 0> kSkipped{};

  protected:
    SimRig() { mixer_.SetViolationHandler(violations_.Handler()); }

    platform::Mixer& Subject() { return mixer_; }
    std::uint32_t RecordingDevice() { return 0; }
    void DeliverNotices() { dispatcher_.RunPending(); }
    void SetVolumeFromOutside(std::uint32_t controlId, std::uint32_t value) {
        const std::size_t channels = mixer_.ControlValues(0, controlId).value().size();
        ASSERT_EQ(mixer_.SetControlValues(0, controlId, std::vector(channels, value)),
                  MixerResult::NoError);
    }

    zav::platform::sim::ManualDispatcher dispatcher_;
    ViolationLog violations_;  // calls on closed handles are part of the contract
    SimMixer mixer_{RecordingCard(), dispatcher_, {.echoWrites = Echo}};
};

TEST_F(SimMixerTest, ACallOnAHandleThatIsNotOpenIsABrokenRule) {
    ViolationLog broken;
    mixer.SetViolationHandler(broken.Handler());
    MixerHandle handle = OpenCard();
    ASSERT_EQ(mixer.Close(handle), MixerResult::NoError);
    MixerCaps caps;
    EXPECT_EQ(mixer.GetDevCaps(handle, caps), MixerResult::InvalidHandle);
    EXPECT_EQ(mixer.Close(platform::kNullMixer), MixerResult::InvalidHandle);
    ASSERT_EQ(broken.Count(), 2u);
    EXPECT_NE(broken.First().find("mixerGetDevCaps on a mixer handle that is not open"),
              std::string::npos)
        << broken.First();
}

TEST(SimMixerLayout, MultipleItemValuesRunItemByItemThenChannelByChannel) {
    zav::platform::sim::ManualDispatcher dispatcher;
    SimMixer mixer(MicCard(2, {{.id = 5,
                                .type = ControlType::MultipleSelect,
                                .flags = kControlMultiple,
                                .items = 3,
                                .maximum = 1,
                                .values = {1, 0, 0, 1, 1, 1}}}),
                   dispatcher);
    MixerHandle handle{};
    ASSERT_EQ(mixer.Open(0, nullptr, handle), MixerResult::NoError);
    std::vector<std::uint32_t> values(6);
    MixerControlDetails details{
        .controlId = 5, .channels = 2, .multipleItems = 3, .details = values};
    ASSERT_EQ(mixer.GetControlDetails(handle, ControlDetailsQuery::Value, details),
              MixerResult::NoError);
    EXPECT_EQ(values, (std::vector<std::uint32_t>{1, 0, 0, 1, 1, 1}));
    details.details = std::span(values).first(5);  // one value short of every item's channels
    EXPECT_EQ(mixer.GetControlDetails(handle, ControlDetailsQuery::Value, details),
              MixerResult::InvalidParam);

    std::vector<std::uint32_t> firstChannel(3);
    MixerControlDetails oneChannel{
        .controlId = 5, .channels = 1, .multipleItems = 3, .details = firstChannel};
    ASSERT_EQ(mixer.GetControlDetails(handle, ControlDetailsQuery::Value, oneChannel),
              MixerResult::NoError);
    EXPECT_EQ(firstChannel, (std::vector<std::uint32_t>{1, 0, 1}));
}

TEST_F(SimMixerTest, AFaultHitsOnlyTheNamedCallOrEveryCallOfItsKind) {
    MixerHandle handle = OpenCard();
    mixer.FailCall(MixerCall::GetDevCaps, MixerResult::NoMemory, 1);
    MixerCaps caps;
    EXPECT_EQ(mixer.GetDevCaps(handle, caps), MixerResult::NoError);
    EXPECT_EQ(mixer.GetDevCaps(handle, caps), MixerResult::NoMemory);
    EXPECT_EQ(mixer.GetDevCaps(handle, caps), MixerResult::NoError);
    EXPECT_EQ(mixer.CallCount(MixerCall::GetDevCaps), 3u);
    EXPECT_TRUE(mixer.CallLog()[2].injected);

    mixer.FailCall(MixerCall::GetNumDevs, MixerResult::Error, 0, platform::sim::kEveryTime);
    EXPECT_EQ(mixer.GetNumDevs(), 0u);
    EXPECT_EQ(mixer.GetNumDevs(), 0u);
    mixer.ClearFailures();
    EXPECT_EQ(mixer.GetNumDevs(), 1u);

    mixer.FailCall(MixerCall::Open, MixerResult::Error);
    MixerHandle refused{};
    EXPECT_EQ(mixer.Open(0, nullptr, refused), MixerResult::Error);
    EXPECT_EQ(refused, platform::kNullMixer);
    EXPECT_EQ(mixer.OpenHandleCount(), 1u);
}

TEST_F(SimMixerTest, OutsideChangesNotifyOpenHandlesOnlyWhenTheDialogThreadRuns) {
    MixerNoticeLog first;
    MixerNoticeLog second;
    MixerHandle a = OpenCard(&first);
    MixerHandle b = OpenCard(&second);
    ASSERT_EQ(mixer.SetControlValues(0, kMicVolume, {1, 2}), MixerResult::NoError);
    ASSERT_EQ(mixer.ChangeLine(0, kMicLine), MixerResult::NoError);
    EXPECT_TRUE(first.heard.empty());  // nothing is called from the changing thread

    ASSERT_EQ(mixer.Close(b), MixerResult::NoError);
    dispatcher.RunPending();
    EXPECT_EQ(first.heard,
              (std::vector<MixerNoticeLog::Notice>{{MixerChange::Control, a, kMicVolume},
                                                   {MixerChange::Line, a, kMicLine}}));
    EXPECT_TRUE(second.heard.empty());  // closed before the messages were handled

    EXPECT_EQ(mixer.SetControlValues(0, 999, {1}), MixerResult::InvalidControl);
    EXPECT_EQ(mixer.SetControlValues(0, kMicVolume, {1, 2, 3}), MixerResult::InvalidParam);
    EXPECT_EQ(mixer.ChangeLine(0, 999), MixerResult::InvalidLine);
    EXPECT_EQ(dispatcher.PendingCount(), 0u);
}

TEST(SimMixerLifetime, NotificationsQueuedPastTheMixersLifeAreDropped) {
    zav::platform::sim::ManualDispatcher dispatcher;
    MixerNoticeLog sink;
    {
        SimMixer mixer(RecordingCard(), dispatcher);
        MixerHandle handle{};
        ASSERT_EQ(mixer.Open(0, &sink, handle), MixerResult::NoError);
        mixer.SetControlValues(0, kMicVolume, {1, 1});
    }
    EXPECT_EQ(dispatcher.RunPending(), 1u);
    EXPECT_TRUE(sink.heard.empty());
}

TEST(SimMixerTopology, ContradictoryTopologiesAreRejected) {
    zav::platform::sim::ManualDispatcher dispatcher;
    auto duplicateControl = MicCard(2, {VolumeControl(5, {}), MuteControl(5, 0)});
    EXPECT_THROW(SimMixer(duplicateControl, dispatcher), std::invalid_argument);
    auto tooManyValues = MicCard(1, {VolumeControl(5, {1, 2})});
    EXPECT_THROW(SimMixer(tooManyValues, dispatcher), std::invalid_argument);
    auto itemsWithoutFlag = MicCard(1, {{.id = 5, .items = 2}});
    EXPECT_THROW(SimMixer(itemsWithoutFlag, dispatcher), std::invalid_argument);
    auto duplicateLine = RecordingCard();
    duplicateLine.devices[0].destinations[0].line.id = kMicLine;
    EXPECT_THROW(SimMixer(duplicateLine, dispatcher), std::invalid_argument);
}

}  // namespace
}  // namespace zav::test

namespace zav::platform::contracts {
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, MixerContract, ::testing::Types<test::SimRig<false>>);
INSTANTIATE_TYPED_TEST_SUITE_P(EchoingSim, MixerContract, ::testing::Types<test::SimRig<true>>);
}  // namespace zav::platform::contracts
