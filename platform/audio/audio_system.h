#pragma once
// One audio backend as the programs see it: wave input, wave output and the output-device
// hold. A program receives one AudioSystem at start and keeps it for its whole run; the
// simulated card and the real backends implement it.
//
// Thread: the accessors may be called from any thread; CreateOutputHold from the dialog
// thread. The returned interfaces carry their own thread rules.

#include <memory>

#include "platform/audio/output_hold.h"
#include "platform/audio/wave_in.h"
#include "platform/audio/wave_out.h"
#include "platform/audio/wave_result.h"

namespace zav::platform {

class AudioSystem {
  public:
    virtual ~AudioSystem() = default;

    virtual WaveInApi& WaveIn() = 0;
    virtual WaveOutApi& WaveOut() = 0;

    // Opens a hold on the default output device. On success hold is set; on failure it is
    // empty and the result says why (NoDriver when there is no output device, Allocated when
    // it is busy). Thread: dialog.
    virtual MmResult CreateOutputHold(std::unique_ptr<OutputDeviceHold>& hold) = 0;
};

}  // namespace zav::platform
