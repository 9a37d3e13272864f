// Failures injected at every mixer call: the search gives up, the snapshot skips what failed and
// goes on, and nothing is left open or allocated (the suite also runs under AddressSanitizer).

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <vector>

#include "tests/support/mixer_test_cards.h"
#include "tests/support/snapshot_oracle.h"
#include "tests/voxgauge/mixer/mic_mixer_rig.h"

namespace zav::test {
namespace {

using platform::LineInfoQuery;
using platform::MixerResult;
using platform::sim::MixerCall;
using platform::sim::MixerCallRecord;
using voxgauge::MicEnvSave;

constexpr std::array kFailures = {MixerResult::Error, MixerResult::NoMemory,
                                  MixerResult::InvalidParam, MixerResult::NotSupported};

// A call seen in a clean run, with its number among the calls of its kind since the start.
struct LoggedCall {
    MixerCallRecord record;
    std::uint32_t ordinal = 0;
};

std::vector<LoggedCall> CallsSince(const std::vector<MixerCallRecord>& log, std::size_t from) {
    std::map<MixerCall, std::uint32_t> seen;
    std::vector<LoggedCall> calls;
    for (std::size_t i = 0; i < log.size(); ++i) {
        const std::uint32_t ordinal = ++seen[log[i].call];
        if (i >= from)
            calls.push_back({log[i], ordinal});
    }
    return calls;
}

// Makes the same call fail in a fresh run that has come as far as the clean one had when it
// made the call's earlier calls of that kind.
void FailNthCall(platform::sim::SimMixer& mixer, const LoggedCall& call, MixerResult result) {
    mixer.FailCall(call.record.call, result, call.ordinal - 1 - mixer.CallCount(call.record.call));
}

TEST(MicMixerFaults, AFailedCallWhileOpeningLeavesNoMixerOpen) {
    std::vector<LoggedCall> initCalls;
    {
        MicMixerRig rig(RecordingCard());
        ASSERT_EQ(rig.micMixer.MixerInit(&rig.dialog), 1);
        initCalls = CallsSince(rig.sim.CallLog(), 0);
    }
    ASSERT_EQ(initCalls.size(), 3u);  // count, capabilities, open
    for (const LoggedCall& call : initCalls) {
        MicMixerRig rig(RecordingCard());
        FailNthCall(rig.sim, call, MixerResult::Error);
        EXPECT_EQ(rig.micMixer.MixerInit(&rig.dialog), 0) << static_cast<int>(call.record.call);
        EXPECT_EQ(rig.micMixer.Handle(), platform::kNullMixer);
        EXPECT_EQ(rig.sim.OpenHandleCount(), 0u);
        EXPECT_EQ(rig.micMixer.GetMicConf(), 0);
        EXPECT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::NoMixer);
        EXPECT_FALSE(rig.KeyExists());
    }
}

TEST(MicMixerFaults, AnyFailedCallDuringTheSearchGivesUpAtOnce) {
    std::vector<LoggedCall> searchCalls;
    {
        MicMixerRig rig(RecordingCard());
        rig.micMixer.MixerInit(&rig.dialog);
        const std::size_t from = rig.sim.CallLog().size();
        ASSERT_EQ(rig.micMixer.GetMicConf(), 1);
        searchCalls = CallsSince(rig.sim.CallLog(), from);
    }
    // Capabilities, both destinations, both recording sources, the microphone's controls.
    ASSERT_EQ(searchCalls.size(), 6u);
    for (std::size_t i = 0; i < searchCalls.size(); ++i) {
        const LoggedCall& call = searchCalls[i];
        SCOPED_TRACE(::testing::Message() << "failing search call " << i);
        MicMixerRig rig(RecordingCard());
        rig.micMixer.MixerInit(&rig.dialog);
        FailNthCall(rig.sim, call, kFailures[i % kFailures.size()]);

        EXPECT_EQ(rig.micMixer.GetMicConf(), 0);
        EXPECT_FALSE(rig.micMixer.HasVolumeControl());
        const auto log = rig.sim.CallLog();
        EXPECT_TRUE(log.back().injected);  // nothing was asked after the failure

        rig.micMixer.ChangeEnv(rig.micMixer.Handle(), kMicVolume);
        rig.micMixer.ChangeEnv(40000u);
        EXPECT_EQ(rig.sim.CallLog().size(), log.size());
        EXPECT_EQ(rig.sim.ControlValues(0, kMicVolume), (std::vector<std::uint32_t>{30000, 31000}));
    }
}

// SnapshotCard's blocks without those the failed call makes the snapshot skip.
std::vector<ExpectedBlock> WithoutSkippedPart(const MixerCallRecord& failed) {
    auto blocks = SnapshotCardBlocks();
    std::erase_if(blocks, [&failed](const ExpectedBlock& block) {
        switch (failed.call) {
            case MixerCall::GetDevCaps:
                return true;
            case MixerCall::GetLineInfo:
                if (failed.query == static_cast<std::uint32_t>(LineInfoQuery::Destination)) {
                    return block.destination == failed.destination;  // with all its sources
                }
                return block.destination == failed.destination &&
                       block.source == static_cast<std::int32_t>(failed.source);
            case MixerCall::GetLineControls:
                return block.lineId == failed.lineId;
            case MixerCall::GetControlDetails:
                return block.controlId == failed.controlId;
            default:
                ADD_FAILURE() << "unexpected call during the snapshot";
                return false;
        }
    });
    return blocks;
}

TEST(MicMixerFaults, AnyFailedCallDuringTheSnapshotSkipsOnlyWhatItWasAbout) {
    std::vector<LoggedCall> snapshotCalls;
    {
        MicMixerRig rig(SnapshotCard());
        rig.Initialise();
        const std::size_t from = rig.sim.CallLog().size();
        ASSERT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::Written);
        snapshotCalls = CallsSince(rig.sim.CallLog(), from);
    }
    // Capabilities, 2 destinations, 4 sources, 3 control lists, 6 controls.
    ASSERT_EQ(snapshotCalls.size(), 16u);
    for (std::size_t i = 0; i < snapshotCalls.size(); ++i) {
        const LoggedCall& call = snapshotCalls[i];
        SCOPED_TRACE(::testing::Message() << "failing snapshot call " << i);
        MicMixerRig rig(SnapshotCard());
        rig.Initialise();
        FailNthCall(rig.sim, call, kFailures[i % kFailures.size()]);

        const MicEnvSave saved = rig.micMixer.SaveMicEnv();
        const auto expected = WithoutSkippedPart(call.record);
        if (call.record.call == MixerCall::GetDevCaps) {
            EXPECT_EQ(saved, MicEnvSave::SnapshotFailed);
            EXPECT_FALSE(rig.KeyExists());
        } else if (expected.empty()) {
            EXPECT_EQ(saved, MicEnvSave::NothingToSave);
            EXPECT_FALSE(rig.KeyExists());
        } else {
            EXPECT_EQ(saved, MicEnvSave::Written);
            auto stored = rig.StoredMicEnv();
            ASSERT_TRUE(stored.has_value());
            EXPECT_EQ(stored->data, StoredBytes(expected));
        }
    }
}

}  // namespace
}  // namespace zav::test
