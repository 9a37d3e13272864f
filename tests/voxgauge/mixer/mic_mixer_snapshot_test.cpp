// The MicEnv snapshot: what it holds, in which order, and when nothing is written.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/voxgauge/mixer/mic_mixer_rig.h"
#include "tests/support/mixer_test_cards.h"
#include "tests/voxgauge/mixer/snapshot_oracle.h"

namespace zav::test {
namespace {

using platform::Access;
using platform::Hive;
using platform::RegResult;
using platform::ValueType;
using platform::sim::MixerCall;
using voxgauge::MicEnvSave;

TEST(MicEnvSnapshot, TwoDestinationsAreStoredRecordByRecordWithZeroLinks) {
    MicMixerRig rig(SnapshotCard());
    rig.Initialise();
    ASSERT_FALSE(rig.KeyExists());

    EXPECT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::Written);
    auto stored = rig.StoredMicEnv();
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, ValueType::Binary);
    ASSERT_EQ(stored->data.size(), 10u * 20u);
    EXPECT_EQ(stored->data, StoredBytes(SnapshotCardBlocks()));

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

TEST(MicEnvSnapshot, AnEmptySnapshotLeavesAnEarlierValueAlone) {
    MicMixerRig rig(SnapshotCard());
    rig.Initialise();
    {
        platform::RegistryKey key;
        ASSERT_EQ(rig.store.CreateKey(Hive::LocalMachine, MicMixerRig::kZavKey, Access::All, key),
                  RegResult::Success);
        const std::vector<std::uint8_t> earlier(40, 0xAB);
        ASSERT_EQ(key.Set("MicEnv", ValueType::Binary, earlier), RegResult::Success);
    }
    rig.sim.FailCall(MixerCall::GetControlDetails, platform::MixerResult::Error, 0,
                     zav::platform::sim::kEveryTime);  // every control is skipped
    EXPECT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::NothingToSave);
    EXPECT_EQ(rig.StoredMicEnv()->data, std::vector<std::uint8_t>(40, 0xAB));
}

TEST(MicEnvSnapshot, ANewSnapshotReplacesTheWholeEarlierValueAndKeepsTheKeysOthers) {
    MicMixerRig rig(SnapshotCard());
    rig.Initialise();
    {
        platform::RegistryKey key;
        ASSERT_EQ(rig.store.CreateKey(Hive::LocalMachine, MicMixerRig::kZavKey, Access::All, key),
                  RegResult::Success);
        ASSERT_EQ(key.Set("MicEnv", ValueType::Binary, std::vector<std::uint8_t>(400, 0xAB)),
                  RegResult::Success);
        ASSERT_EQ(key.SetString("MicMap", "1,2,3"), RegResult::Success);
    }
    ASSERT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::Written);
    EXPECT_EQ(rig.StoredMicEnv()->data, StoredBytes(SnapshotCardBlocks()));

    platform::RegistryKey key;
    ASSERT_EQ(rig.store.OpenKey(Hive::LocalMachine, MicMixerRig::kZavKey, Access::Read, key),
              RegResult::Success);
    platform::RegistryValue map;
    EXPECT_EQ(key.Query("MicMap", map), RegResult::Success);
}

TEST(MicEnvSnapshot, WithoutAnOpenMixerOrAUsableStoreNothingIsWritten) {
    {
        MicMixerRig rig(SnapshotCard());
        EXPECT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::NoMixer);
        EXPECT_TRUE(rig.sim.CallLog().empty());
        EXPECT_FALSE(rig.KeyExists());
    }
    {
        MicMixerRig rig(SnapshotCard());
        rig.Initialise();
        rig.store.DenyAccess(Access::Write);
        EXPECT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::KeyUnavailable);
        rig.store.AllowAllAccess();
        EXPECT_FALSE(rig.KeyExists());
    }
    {
        MicMixerRig rig(SnapshotCard());
        rig.Initialise();
        rig.store.SetBadDatabase(true);
        EXPECT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::KeyUnavailable);
        rig.store.SetBadDatabase(false);
        EXPECT_FALSE(rig.KeyExists());
    }
}

TEST(MicEnvSnapshot, ControlsTooLargeOrWithoutChannelsAreSkippedAndTheRestKept) {
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

    ASSERT_EQ(rig.micMixer.SaveMicEnv(), MicEnvSave::Written);
    EXPECT_EQ(rig.StoredMicEnv()->data, StoredBytes(SnapshotCardBlocks()));
    for (const auto& call : rig.sim.CallLog()) {
        if (call.call == MixerCall::GetControlDetails) {
            EXPECT_NE(call.controlId, 103u);
            EXPECT_NE(call.controlId, 131u);
        }
    }
}

}  // namespace
}  // namespace zav::test
