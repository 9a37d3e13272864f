#include "platform/winmm/winmm_output_hold.h"

namespace zav::platform::winmm {

MmResult FromDirectSoundResult(HRESULT result) {
    switch (result) {
        case DS_OK:
            return MmResult::NoError;
        case DSERR_NODRIVER:
            return MmResult::NoDriver;
        case DSERR_ALLOCATED:
            return MmResult::Allocated;
        case DSERR_OUTOFMEMORY:
            return MmResult::NoMem;
        case DSERR_INVALIDPARAM:
            return MmResult::InvalParam;
        case DSERR_UNSUPPORTED:
            return MmResult::NotSupported;
        default:
            return MmResult::Error;
    }
}

MmResult WinmmOutputHold::Create(std::unique_ptr<OutputDeviceHold>& hold) {
    hold.reset();
    IDirectSound* created = nullptr;
    if (const HRESULT made = ::DirectSoundCreate(nullptr, &created, nullptr); FAILED(made)) {
        if (created != nullptr)
            created->Release();
        return FromDirectSoundResult(made);
    }
    hold.reset(new WinmmOutputHold(ComPtr<IDirectSound>(created)));
    return MmResult::NoError;
}

MmResult WinmmOutputHold::ApplyCooperativeLevel(CooperativeLevel level) {
    // The seam gives no window: the hold never plays, so no window's focus has to decide what
    // is heard, and the desktop stands in for the dialog as the owner the call asks for.
    return FromDirectSoundResult(
        sound_->SetCooperativeLevel(::GetDesktopWindow(), static_cast<DWORD>(level)));
}

}  // namespace zav::platform::winmm
