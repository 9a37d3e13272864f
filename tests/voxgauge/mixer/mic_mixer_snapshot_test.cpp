// The MicEnv snapshot: what it holds, in which order, and when nothing is written.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/mixer_test_cards.h"
#include "tests/support/snapshot_oracle.h"
#include "tests/voxgauge/mixer/mic_mixer_rig.h"

namespace zav::test {
namespace {

using platform::Access;
using platform::ValueType;
using platform::sim::MixerCall;
using voxgauge::MicEnvSave;

// Two destinations are stored record by record with zero links; controls too large or on a line
// without channels are skipped and the rest kept.
TEST(MicEnvSnapshot, ReadableControlsAreStoredRecordByRecordWithZeroLinks) {
    auto topology = SnapshotCard();
    auto& waveIn = topology.devices[0].destinations[0];
    waveIn.line.controls.push_back({.id = 103,
                                    .type = ControlType::Mux,
                                    .flags = kControlUniform | kControlMultiple,
                                    .items = 0x80000000u});
    waveIn.sources.push_back({.id = 13,
                              .type = ComponentType::SrcMicrophone,
                              .channels = 0,
                              .controls = {VolumeControl(131, {})}});
    MicMixerRig rig(topology);
    rig.Initialise();
    ASSERT_FALSE(rig.KeyExists());

    EXPECT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::Written);
    auto stored = rig.StoredMicEnv();
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, ValueType::Binary);
    ASSERT_EQ(stored->data.size(), 10u * 20u);
    EXPECT_EQ(stored->data, StoredBytes(SnapshotCardBlocks()));
    for (const auto& call : rig.sim.CallLog()) {
        if (call.call == MixerCall::GetControlDetails) {
            EXPECT_NE(call.controlId, 103u);
            EXPECT_NE(call.controlId, 131u);
        }
    }

    // The first record spelled out: 2 channels, 1 item, control 101, value 50000, link 0.
    const std::vector<std::uint8_t> first = {2, 0, 0,    0,    1, 0, 0, 0, 101, 0,
                                             0, 0, 0x50, 0xC3, 0, 0, 0, 0, 0,   0};
    EXPECT_TRUE(std::equal(first.begin(), first.end(), stored->data.begin()));
}

TEST(MicEnvSnapshot, RecordsFollowTheDestinationOrder) {
    auto topology = SnapshotCard();
    auto& destinations = topology.devices[0].destinations;
    std::swap(destinations[0], destinations[1]);
    MicMixerRig rig(topology);
    rig.Initialise();

    ASSERT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::Written);
    auto blocks = SnapshotCardBlocks();
    std::rotate(blocks.begin(), blocks.begin() + 4, blocks.end());  // speakers' microphone first
    EXPECT_EQ(rig.StoredMicEnv()->data, StoredBytes(blocks));
}

TEST(MicEnvSnapshot, AnEmptySnapshotWritesNothingAndCreatesNoKey) {
    MicMixerRig rig(
        {.devices = {{.name = "Playback only",
                      .destinations = {{.line = {.id = 1,
                                                 .type = ComponentType::DstSpeakers,
                                                 .controls = {VolumeControl(5, {})}},
                                        .sources = {{.id = 2,
                                                     .type = ComponentType::SrcWaveOut,
                                                     .controls = {VolumeControl(6, {})}}}}}}}});
    rig.Initialise();
    EXPECT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::NothingToSave);
    EXPECT_FALSE(rig.KeyExists());
}

TEST(MicEnvSnapshot, AnEmptySnapshotLeavesAnEarlierValueAloneAndANewOneReplacesItWhole) {
    MicMixerRig rig(SnapshotCard());
    rig.Initialise();
    rig.StoreEarlier("MicEnv", std::vector<std::uint8_t>(400, 0xAB));
    rig.StoreEarlier("MicMap", {1, 2, 3});
    rig.sim.FailCall(MixerCall::GetControlDetails, platform::MixerResult::Error, 0,
                     zav::platform::sim::kEveryTime);  // every control is skipped
    EXPECT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::NothingToSave);
    EXPECT_EQ(rig.StoredMicEnv()->data, std::vector<std::uint8_t>(400, 0xAB));

    rig.sim.ClearFailures();
    ASSERT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::Written);
    EXPECT_EQ(rig.StoredMicEnv()->data, StoredBytes(SnapshotCardBlocks()));
    EXPECT_EQ(ZavValue(rig.store, "MicMap")->data, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(MicEnvSnapshot, WithoutAnOpenMixerOrAUsableStoreNothingIsWritten) {
    {
        MicMixerRig rig(SnapshotCard());
        EXPECT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::NoMixer);
        EXPECT_TRUE(rig.sim.CallLog().empty());
        EXPECT_FALSE(rig.KeyExists());
    }
    for (const bool badDatabase : {false, true}) {
        SCOPED_TRACE(badDatabase ? "bad database" : "read-only store");
        MicMixerRig rig(SnapshotCard());
        rig.Initialise();
        if (badDatabase)
            rig.store.SetBadDatabase(true);
        else
            rig.store.DenyAccess(Access::Write);
        EXPECT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::KeyUnavailable);
        rig.store.SetBadDatabase(false);
        rig.store.AllowAllAccess();
        EXPECT_FALSE(rig.KeyExists());
    }
}

}  // namespace
}  // namespace zav::test
