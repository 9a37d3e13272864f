#pragma once
// The hold on the default output device through DirectSound: the object is created on the
// default device and kept, and nothing is ever played through it. Releasing it lets the device
// go.
//
// Thread: dialog.

#include <dsound.h>

#include "platform/audio/output_hold.h"
#include "platform/winmm/win_handles.h"

namespace zav::platform::winmm {

class WinmmOutputHold final : public OutputDeviceHold {
  public:
    // DirectSoundCreate on the default device; on failure hold stays empty and the result
    // says why (NoDriver without an output device, Allocated when it is taken).
    static MmResult Create(std::unique_ptr<OutputDeviceHold>& hold);

  private:
    // IDirectSound::SetCooperativeLevel.
    MmResult ApplyCooperativeLevel(CooperativeLevel level) override;

    explicit WinmmOutputHold(ComPtr<IDirectSound> sound) : sound_(std::move(sound)) {}

    ComPtr<IDirectSound> sound_;
};

// DirectSound's result as a wave result: DS_OK is NoError; the no-driver, busy, memory,
// parameter and unsupported failures keep their meaning; anything else is Error.
MmResult FromDirectSoundResult(HRESULT result);

}  // namespace zav::platform::winmm
