// The simulated card's wave-output calls: the shared ones from sim_wave_streams.h, and Write.
// Playing into the sink is in sim_sound_card.cpp with the clock.

#include "platform/sim/sim_wave_streams.h"

namespace zav::platform::sim {

template class SimSoundCard::SimWave<WaveOutApi, SimSoundCard::OutputStream>;

MmResult SimSoundCard::SimWaveOut::Write(WaveOutHandle handle, WaveHeader& header) {
    return card_.WaveQueue<OutputStream>(handle, header);
}

}  // namespace zav::platform::sim
