#include "platform/alsa/alsa_output_hold.h"

namespace zav::platform::alsa {

MmResult AlsaOutputHold::SetCooperativeLevel(CooperativeLevel level) {
    switch (level) {
        case CooperativeLevel::Normal:
        case CooperativeLevel::Priority:
        case CooperativeLevel::Exclusive:
        case CooperativeLevel::WritePrimary:
            break;
        default:
            return MmResult::InvalParam;
    }
    if (snd_pcm_state(pcm_.get()) == SND_PCM_STATE_DISCONNECTED)
        return MmResult::NoDriver;
    return MmResult::NoError;
}

}  // namespace zav::platform::alsa
