#include "platform/audio/wave_result.h"

namespace zav::platform {

std::string_view WaveResultText(MmResult result) {
    switch (result) {
        case MmResult::NoError:
            return "The operation completed successfully.";
        case MmResult::Error:
            return "An unspecified error occurred in the sound device.";
        case MmResult::BadDeviceId:
            return "The sound device number is out of range.";
        case MmResult::NotEnabled:
            return "The sound device driver could not be enabled.";
        case MmResult::Allocated:
            return "The sound device is already in use by another program.";
        case MmResult::InvalHandle:
            return "The sound device handle is not valid.";
        case MmResult::NoDriver:
            return "No sound device driver is installed.";
        case MmResult::NoMem:
            return "There is not enough memory for the sound device.";
        case MmResult::NotSupported:
            return "The sound device does not support this function.";
        case MmResult::BadErrNum:
            return "The error number is not known.";
        case MmResult::InvalFlag:
            return "An invalid flag was passed to the sound device.";
        case MmResult::InvalParam:
            return "An invalid parameter was passed to the sound device.";
        case MmResult::HandleBusy:
            return "The sound device is busy on another thread.";
        case MmResult::WaveBadFormat:
            return "The sound device cannot record or play in the requested format.";
        case MmResult::WaveStillPlaying:
            return "The sound device still holds buffers.";
        case MmResult::WaveUnprepared:
            return "The sound buffer has not been prepared.";
        case MmResult::WaveSync:
            return "The sound device is synchronous.";
    }
    return {};
}

}  // namespace zav::platform
