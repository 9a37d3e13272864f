#pragma once
// The MicEnv value a snapshot of mixer device 0 must store, worked out from the mixer's
// description and the values the simulated mixer holds now, without the code under test: the
// controls of every recording destination line, then those of every microphone source of every
// destination, in destination order; one 20-byte record per value (channels, items, control id,
// value, and a zero link, each little-endian).

#include <cstdint>
#include <vector>

#include "platform/sim/mixer_sim.h"
#include "platform/sim/mixer_sim_topology.h"

namespace random_user {

// Thread: any (the mixer's inspection is).
std::vector<std::uint8_t> ExpectedMicEnv(const zav::platform::sim::MixerTopology& topology,
                                         const zav::platform::sim::SimMixer& mixer);

}  // namespace random_user
