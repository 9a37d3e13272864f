#include "platform/alsa/alsa_output_hold.h"

namespace zav::platform::alsa {

MmResult AlsaOutputHold::ApplyCooperativeLevel(CooperativeLevel) {
    if (snd_pcm_state(pcm_.get()) == SND_PCM_STATE_DISCONNECTED)
        return MmResult::NoDriver;
    return MmResult::NoError;
}

}  // namespace zav::platform::alsa
