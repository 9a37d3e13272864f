// The simulated mixer keeps the host's rules, so that the code above it is tested against them.

#include "platform/sim/mixer_sim.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/testing/manual_dispatcher.h"
#include "tests/support/mixer_test_cards.h"

namespace zav::test {
namespace {

using platform::ControlDetailsQuery;
using platform::ControlDetailsSet;
using platform::LineControlsQuery;
using platform::LineInfoQuery;
using platform::MixerCaps;
using platform::MixerChange;
using platform::MixerControl;
using platform::MixerControlDetails;
using platform::MixerHandle;
using platform::MixerLine;
using platform::MixerLineControls;
using platform::MixerNotificationSink;
using platform::MixerResult;
using platform::sim::MixerCall;
using platform::sim::SimMixer;

struct Notification {
    MixerChange change;
    MixerHandle mixer;
    std::uint32_t id;
    friend bool operator==(const Notification&, const Notification&) = default;
};

class RecordingSink : public MixerNotificationSink {
  public:
    void OnMixerChange(MixerChange change, MixerHandle mixer, std::uint32_t id) override {
        received.push_back({change, mixer, id});
    }
    std::vector<Notification> received;
};

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

TEST_F(SimMixerTest, EveryCallOnAClosedHandleIsAnInvalidHandleAndABrokenRule) {
    std::vector<std::string> broken;
    mixer.SetViolationHandler([&](std::string_view message) { broken.emplace_back(message); });
    MixerHandle handle = OpenCard();
    ASSERT_EQ(mixer.Close(handle), MixerResult::NoError);

    std::vector<std::uint32_t> values(2);
    std::vector<MixerControl> controls(2);
    const std::vector<std::pair<std::string, std::function<MixerResult()>>> calls = {
        {"caps",
         [&] {
             MixerCaps caps;
             return mixer.GetDevCaps(handle, caps);
         }},
        {"line",
         [&] {
             MixerLine line;
             return mixer.GetLineInfo(handle, LineInfoQuery::Destination, line);
         }},
        {"controls",
         [&] {
             MixerLineControls request{.lineId = kMicLine, .controls = controls};
             return mixer.GetLineControls(handle, LineControlsQuery::All, request);
         }},
        {"get",
         [&] {
             MixerControlDetails details{.controlId = kMicVolume, .channels = 1, .details = values};
             return mixer.GetControlDetails(handle, ControlDetailsQuery::Value, details);
         }},
        {"set",
         [&] {
             MixerControlDetails details{.controlId = kMicVolume, .channels = 1, .details = values};
             return mixer.SetControlDetails(handle, ControlDetailsSet::Value, details);
         }},
        {"close", [&] { return mixer.Close(handle); }},
        {"null",
         [&] {
             MixerCaps caps;
             return mixer.GetDevCaps(platform::kNullMixer, caps);
         }},
    };
    for (const auto& [name, call] : calls) {
        const std::size_t before = broken.size();
        EXPECT_EQ(call(), MixerResult::InvalidHandle) << name;
        ASSERT_EQ(broken.size(), before + 1) << name;
        EXPECT_NE(broken.back().find("not open"), std::string::npos) << broken.back();
    }
    EXPECT_EQ(mixer.ControlValues(0, kMicVolume), (std::vector<std::uint32_t>{30000, 31000}));
}

TEST_F(SimMixerTest, DetailRequestsOutsideTheControlsShapeAreRefused) {
    MixerHandle handle = OpenCard();
    struct Case {
        std::uint32_t controlId;
        std::uint32_t channels;
        std::uint32_t items;
        std::size_t bufferSize;
        MixerResult expected;
    };
    const Case cases[] = {
        {kMicVolume, 1, 0, 1, MixerResult::NoError},       // all channels as one
        {kMicVolume, 2, 0, 2, MixerResult::NoError},       // each channel
        {kMicVolume, 0, 0, 2, MixerResult::InvalidParam},  // no channel
        {kMicVolume, 3, 0, 3, MixerResult::InvalidParam},  // more channels than the line
        {kMicVolume, 2, 0, 1, MixerResult::InvalidParam},  // buffer too small
        {kMicVolume, 1, 2, 2, MixerResult::InvalidParam},  // items on a single-item control
        {kMicMute, 2, 0, 2, MixerResult::InvalidParam},    // a uniform control has one channel
        {999, 1, 0, 1, MixerResult::InvalidControl},
    };
    for (const Case& c : cases) {
        std::vector<std::uint32_t> values(c.bufferSize);
        MixerControlDetails details{.controlId = c.controlId,
                                    .channels = c.channels,
                                    .multipleItems = c.items,
                                    .details = values};
        EXPECT_EQ(mixer.GetControlDetails(handle, ControlDetailsQuery::Value, details), c.expected)
            << c.controlId << " channels " << c.channels << " items " << c.items;
        EXPECT_EQ(mixer.SetControlDetails(handle, ControlDetailsSet::Value, details), c.expected)
            << c.controlId << " channels " << c.channels << " items " << c.items;
    }
}

TEST_F(SimMixerTest, OneChannelReadsTheFirstAndWritesEveryChannel) {
    MixerHandle handle = OpenCard();
    std::vector<std::uint32_t> one(1);
    MixerControlDetails details{.controlId = kMicVolume, .channels = 1, .details = one};
    ASSERT_EQ(mixer.GetControlDetails(handle, ControlDetailsQuery::Value, details),
              MixerResult::NoError);
    EXPECT_EQ(one[0], 30000u);

    one[0] = 444;
    ASSERT_EQ(mixer.SetControlDetails(handle, ControlDetailsSet::Value, details),
              MixerResult::NoError);
    EXPECT_EQ(mixer.ControlValues(0, kMicVolume), (std::vector<std::uint32_t>{444, 444}));

    std::vector<std::uint32_t> tooLoud{70000};
    MixerControlDetails outside{.controlId = kMicVolume, .channels = 1, .details = tooLoud};
    EXPECT_EQ(mixer.SetControlDetails(handle, ControlDetailsSet::Value, outside),
              MixerResult::InvalidValue);
    EXPECT_EQ(mixer.ControlValues(0, kMicVolume), (std::vector<std::uint32_t>{444, 444}));
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

    std::vector<std::uint32_t> firstChannel(3);
    MixerControlDetails oneChannel{
        .controlId = 5, .channels = 1, .multipleItems = 3, .details = firstChannel};
    ASSERT_EQ(mixer.GetControlDetails(handle, ControlDetailsQuery::Value, oneChannel),
              MixerResult::NoError);
    EXPECT_EQ(firstChannel, (std::vector<std::uint32_t>{1, 0, 1}));
}

TEST_F(SimMixerTest, LinesAreFoundByIndexIdAndTypeWithTheHostsErrors) {
    MixerHandle handle = OpenCard();
    MixerLine source{.destination = 1, .source = 1};
    ASSERT_EQ(mixer.GetLineInfo(handle, LineInfoQuery::Source, source), MixerResult::NoError);
    EXPECT_EQ(source.lineId, kMicLine);
    EXPECT_EQ(source.componentType, ComponentType::SrcMicrophone);
    EXPECT_EQ(source.controls, 2u);

    MixerLine destination{.destination = 1};
    ASSERT_EQ(mixer.GetLineInfo(handle, LineInfoQuery::Destination, destination),
              MixerResult::NoError);
    EXPECT_EQ(destination.componentType, ComponentType::DstWaveIn);
    EXPECT_EQ(destination.connections, 2u);

    MixerLine byType{.componentType = ComponentType::SrcMicrophone};
    ASSERT_EQ(mixer.GetLineInfo(handle, LineInfoQuery::ComponentType, byType),
              MixerResult::NoError);
    EXPECT_EQ(byType.lineId, kSpeakerMicLine);

    MixerLine farDestination{.destination = 2};
    EXPECT_EQ(mixer.GetLineInfo(handle, LineInfoQuery::Destination, farDestination),
              MixerResult::InvalidParam);
    MixerLine farSource{.destination = 1, .source = 2};
    EXPECT_EQ(mixer.GetLineInfo(handle, LineInfoQuery::Source, farSource),
              MixerResult::InvalidParam);
    MixerLine unknown{.lineId = 77};
    EXPECT_EQ(mixer.GetLineInfo(handle, LineInfoQuery::LineId, unknown), MixerResult::InvalidLine);

    std::vector<MixerControl> oneTooFew(1);
    MixerLineControls all{.lineId = kMicLine, .controls = oneTooFew};
    EXPECT_EQ(mixer.GetLineControls(handle, LineControlsQuery::All, all),
              MixerResult::InvalidParam);
    MixerLineControls byId{.controlId = kMicVolume, .controls = oneTooFew};
    ASSERT_EQ(mixer.GetLineControls(handle, LineControlsQuery::OneById, byId),
              MixerResult::NoError);
    EXPECT_EQ(byId.lineId, kMicLine);
    MixerLineControls byControlType{
        .lineId = kMicLine, .controlType = ControlType::Mute, .controls = oneTooFew};
    ASSERT_EQ(mixer.GetLineControls(handle, LineControlsQuery::OneByType, byControlType),
              MixerResult::NoError);
    EXPECT_EQ(oneTooFew[0].controlId, kMicMute);
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
    RecordingSink first;
    RecordingSink second;
    MixerHandle a = OpenCard(&first);
    MixerHandle b = OpenCard(&second);
    ASSERT_EQ(mixer.SetControlValues(0, kMicVolume, {1, 2}), MixerResult::NoError);
    ASSERT_EQ(mixer.ChangeLine(0, kMicLine), MixerResult::NoError);
    EXPECT_TRUE(first.received.empty());  // nothing is called from the changing thread

    ASSERT_EQ(mixer.Close(b), MixerResult::NoError);
    dispatcher.RunPending();
    EXPECT_EQ(first.received, (std::vector<Notification>{{MixerChange::Control, a, kMicVolume},
                                                         {MixerChange::Line, a, kMicLine}}));
    EXPECT_TRUE(second.received.empty());  // closed before the messages were handled

    EXPECT_EQ(mixer.SetControlValues(0, 999, {1}), MixerResult::InvalidControl);
    EXPECT_EQ(mixer.SetControlValues(0, kMicVolume, {1, 2, 3}), MixerResult::InvalidParam);
    EXPECT_EQ(mixer.ChangeLine(0, 999), MixerResult::InvalidLine);
    EXPECT_EQ(dispatcher.PendingCount(), 0u);
}

TEST(SimMixerLifetime, NotificationsQueuedPastTheMixersLifeAreDropped) {
    zav::platform::sim::ManualDispatcher dispatcher;
    RecordingSink sink;
    {
        SimMixer mixer(RecordingCard(), dispatcher);
        MixerHandle handle{};
        ASSERT_EQ(mixer.Open(0, &sink, handle), MixerResult::NoError);
        mixer.SetControlValues(0, kMicVolume, {1, 1});
    }
    EXPECT_EQ(dispatcher.RunPending(), 1u);
    EXPECT_TRUE(sink.received.empty());
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
