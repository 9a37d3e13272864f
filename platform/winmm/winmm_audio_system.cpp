#include "platform/winmm/winmm_audio_system.h"

#include "platform/winmm/winmm_output_hold.h"

namespace zav::platform::winmm {

WinmmAudioSystem::WinmmAudioSystem() {
    core_.StartDeliveryThread();
}

MmResult WinmmAudioSystem::CreateOutputHold(std::unique_ptr<OutputDeviceHold>& hold) {
    return WinmmOutputHold::Create(hold);
}

}  // namespace zav::platform::winmm
