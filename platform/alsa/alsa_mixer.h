#pragma once
// The host's mixer on ALSA. Mixer device 0 is the system's default control device (through a
// sound server: the server's default source as the microphone), then one device per sound card
// ("hw:N"). Each device shows one recording destination; see alsa_mixer_layout.h for its lines
// and controls and alsa_mixer_session.h for the change notifications; MixerCore keeps the
// host's rules.
//
// Thread: every Mixer call on the dialog thread, as mixer.h says; the notifications reach the
// sinks through the dispatcher given here, which must outlive the mixer.

#include "platform/mixer/mixer_core.h"
#include "platform/ui/dispatcher.h"

namespace zav::platform::alsa {

// The wave mapper records from the default device, whose mixer is the default control device
// (a sound server's default source): GetIdOfWaveIn gives mixer 0 when it is listed, NoDriver
// when it is not, and NotSupported for other wave-input numbers. The device list is read at
// GetNumDevs and, before the first GetNumDevs, at the first call that needs it.
class AlsaMixer final : public MixerCore {
  public:
    explicit AlsaMixer(Dispatcher& dispatcher);
};

}  // namespace zav::platform::alsa
