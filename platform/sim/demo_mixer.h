#pragma once
// The simulated mixer a person meets when trying a program on the simulated card: speakers and
// a recording side, each with a microphone line, and a link that makes the simulated
// microphone's voice follow the recording microphone volume, so that the volume slider visibly
// changes the level.
//
// Thread: dialog.

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/mixer/mixer.h"
#include "platform/sim/mixer_sim_topology.h"

namespace zav::platform::sim {

class SimMixer;

// The recording microphone's volume control, and its starting value.
inline constexpr std::uint32_t kDemoMicVolumeControlId = 202;
inline constexpr std::uint32_t kDemoMicVolumeStart = 32768;

MixerTopology DemoMixerTopology();

// Keeps volume equal to the recording microphone volume of mixer device 0. It opens its own
// handle on the mixer to hear the changes and closes it when destroyed, so it must go before
// the mixer does.
class DemoMicVolumeLink final : public MixerNotificationSink {
  public:
    DemoMicVolumeLink(SimMixer& mixer, std::shared_ptr<std::atomic<std::uint32_t>> volume);
    ~DemoMicVolumeLink() override;
    DemoMicVolumeLink(const DemoMicVolumeLink&) = delete;
    DemoMicVolumeLink& operator=(const DemoMicVolumeLink&) = delete;

    void OnMixerChange(MixerChange change, MixerHandle mixer, std::uint32_t id) override;

  private:
    void Refresh();

    SimMixer& mixer_;
    std::shared_ptr<std::atomic<std::uint32_t>> volume_;
    MixerHandle handle_ = kNullMixer;
};

}  // namespace zav::platform::sim
