#pragma once
// The hold on the default playback device: the device is opened and kept open, and nothing is
// configured or played on it. Through a sound server that is a connection to the server; on a
// sound card it is the card's playback device, taken.
//
// Thread: dialog.

#include <utility>
#include "platform/alsa/alsa_handles.h"

#include "platform/audio/output_hold.h"

namespace zav::platform::alsa {

class AlsaOutputHold final : public OutputDeviceHold {
  public:
    explicit AlsaOutputHold(PcmPtr pcm) : pcm_(std::move(pcm)) {}

  private:
    // NoDriver when the device has gone.
    MmResult ApplyCooperativeLevel(CooperativeLevel level) override;

    PcmPtr pcm_;
};

}  // namespace zav::platform::alsa
