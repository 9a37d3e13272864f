#include "platform/sim/sim_call.h"

namespace zav::platform::sim {

std::string_view SimCallName(SimCall call) {
    switch (call) {
        case SimCall::WaveInGetNumDevs:
            return "waveInGetNumDevs";
        case SimCall::WaveInGetDevCaps:
            return "waveInGetDevCaps";
        case SimCall::WaveInOpen:
            return "waveInOpen";
        case SimCall::WaveInPrepareHeader:
            return "waveInPrepareHeader";
        case SimCall::WaveInUnprepareHeader:
            return "waveInUnprepareHeader";
        case SimCall::WaveInAddBuffer:
            return "waveInAddBuffer";
        case SimCall::WaveInStart:
            return "waveInStart";
        case SimCall::WaveInStop:
            return "waveInStop";
        case SimCall::WaveInReset:
            return "waveInReset";
        case SimCall::WaveInGetPosition:
            return "waveInGetPosition";
        case SimCall::WaveInClose:
            return "waveInClose";
        case SimCall::WaveInGetErrorText:
            return "waveInGetErrorText";
        case SimCall::WaveOutGetNumDevs:
            return "waveOutGetNumDevs";
        case SimCall::WaveOutGetDevCaps:
            return "waveOutGetDevCaps";
        case SimCall::WaveOutOpen:
            return "waveOutOpen";
        case SimCall::WaveOutPrepareHeader:
            return "waveOutPrepareHeader";
        case SimCall::WaveOutUnprepareHeader:
            return "waveOutUnprepareHeader";
        case SimCall::WaveOutWrite:
            return "waveOutWrite";
        case SimCall::WaveOutGetPosition:
            return "waveOutGetPosition";
        case SimCall::WaveOutReset:
            return "waveOutReset";
        case SimCall::WaveOutClose:
            return "waveOutClose";
        case SimCall::WaveOutGetErrorText:
            return "waveOutGetErrorText";
        case SimCall::CreateOutputHold:
            return "output hold create";
        case SimCall::SetCooperativeLevel:
            return "output hold cooperative level";
    }
    return "unknown call";
}

}  // namespace zav::platform::sim
