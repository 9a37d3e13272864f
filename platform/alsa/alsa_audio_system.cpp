#include "platform/alsa/alsa_audio_system.h"

#include "platform/alsa/alsa_output_hold.h"
#include "platform/alsa/alsa_pcm_devices.h"

namespace zav::platform::alsa {

AlsaAudioSystem::AlsaAudioSystem() {
    CaptureAlsaMessages();
    core_.StartDeliveryThread();
}

bool AlsaAudioSystem::AnyDeviceAnswers() {
    return inputs_.ListForFirstCount() > 0 || outputs_.ListForFirstCount() > 0;
}

MmResult AlsaAudioSystem::CreateOutputHold(std::unique_ptr<OutputDeviceHold>& hold) {
    hold.reset();
    snd_pcm_t* opened = nullptr;
    if (int err =
            snd_pcm_open(&opened, kDefaultDeviceName, SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
        err < 0) {
        return errors_.Record(err, "snd_pcm_open \"default\" for the output hold", AlsaStep::Open);
    }
    hold = std::make_unique<AlsaOutputHold>(PcmPtr(opened));
    return MmResult::NoError;
}

}  // namespace zav::platform::alsa
