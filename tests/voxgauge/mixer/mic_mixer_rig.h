#pragma once
// CMicMixer on a simulated card, a memory store and a stand-in for the dialog that passes the
// mixer's notifications on as VoxGauge's dialog does.

#include <optional>
#include <utility>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/sim/mixer_sim.h"
#include "platform/testing/manual_dispatcher.h"
#include "platform/testing/memory_registry.h"
#include "tests/support/zav_values.h"
#include "voxgauge/mic_mixer.h"

namespace zav::test {

class FakeDialog : public platform::MixerNotificationSink {
  public:
    void OnMixerChange(platform::MixerChange, platform::MixerHandle mixer,
                       std::uint32_t id) override {
        received.push_back(id);
        if (micMixer != nullptr)
            micMixer->ChangeEnv(mixer, id);
    }

    voxgauge::CMicMixer* micMixer = nullptr;
    std::vector<std::uint32_t> received;
};

struct MicMixerRig {
    explicit MicMixerRig(platform::sim::MixerTopology topology)
        : sim(std::move(topology), dispatcher) {
        dialog.micMixer = &micMixer;
    }

    // What the dialog does when it initialises: open, find the control, read the volume.
    void Initialise() {
        micMixer.MixerInit(&dialog);
        micMixer.GetMicConf();
        micMixer.ChangeEnv(micMixer.Handle(), micMixer.ControlId());
    }

    bool KeyExists() {
        platform::RegistryKey key;
        return store.OpenKey(platform::Hive::LocalMachine, kZavKey, platform::Access::Read, key) ==
               platform::RegResult::Success;
    }

    std::optional<platform::RegistryValue> StoredMicEnv() { return ZavValue(store, "MicEnv"); }

    // An earlier value under the key, as another run left it.
    void StoreEarlier(std::string_view name, const std::vector<std::uint8_t>& bytes) {
        platform::RegistryKey key;
        ASSERT_EQ(
            store.CreateKey(platform::Hive::LocalMachine, kZavKey, platform::Access::All, key),
            platform::RegResult::Success);
        ASSERT_EQ(key.Set(name, platform::ValueType::Binary, bytes), platform::RegResult::Success);
    }

    // Written out here rather than taken from the code under test.
    static constexpr std::string_view kZavKey = "Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0";

    zav::platform::sim::ManualDispatcher dispatcher;
    platform::sim::SimMixer sim;
    platform::sim::MemoryRegistry store;
    FakeDialog dialog;
    voxgauge::CMicMixer micMixer{sim, store};
};

}  // namespace zav::test
