#include "platform/alsa/alsa_error.h"

#include <alsa/asoundlib.h>

#include <cerrno>

namespace zav::platform::alsa {

MmResult MapAlsaError(int error, AlsaStep step) {
    const int code = error < 0 ? -error : error;
    if (step == AlsaStep::Format && code == EINVAL)
        return MmResult::WaveBadFormat;
    switch (code) {
        case 0:
            return MmResult::NoError;
        case EBUSY:
        case EAGAIN:
            return MmResult::Allocated;
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ECONNREFUSED:
        case EHOSTDOWN:
            return MmResult::NoDriver;
        case EIO:
        case EPIPE:
        case ESTRPIPE:
        case EBADFD:
            // While opening, a device that cannot even be prepared is as good as absent.
            return step == AlsaStep::Use ? MmResult::Error : MmResult::NoDriver;
        case ENOMEM:
            return MmResult::NoMem;
        case EINVAL:
            return MmResult::InvalParam;
        case ENOSYS:
        case EOPNOTSUPP:
            return MmResult::NotSupported;
        case EACCES:
        case EPERM:
            return MmResult::NotEnabled;
        default:
            return MmResult::Error;
    }
}

MixerResult ToMixerResult(MmResult result) {
    switch (result) {
        case MmResult::NoError:
            return MixerResult::NoError;
        case MmResult::BadDeviceId:
            return MixerResult::BadDeviceId;
        case MmResult::NotEnabled:
            return MixerResult::NotEnabled;
        case MmResult::Allocated:
            return MixerResult::Allocated;
        case MmResult::InvalHandle:
            return MixerResult::InvalidHandle;
        case MmResult::NoDriver:
            return MixerResult::NoDriver;
        case MmResult::NoMem:
            return MixerResult::NoMemory;
        case MmResult::NotSupported:
            return MixerResult::NotSupported;
        case MmResult::InvalFlag:
            return MixerResult::InvalidFlag;
        case MmResult::InvalParam:
            return MixerResult::InvalidParam;
        default:
            return MixerResult::Error;
    }
}

MmResult AlsaErrorLog::Record(int error, std::string_view operation, AlsaStep step) {
    const MmResult result = MapAlsaError(error, step);
    return Note(result, std::string(operation) + ": " + snd_strerror(error));
}

MmResult AlsaErrorLog::RecordLostDevice(int error, std::string_view operation) {
    return Note(MmResult::NoDriver, "the device stopped working, " + std::string(operation) + ": " +
                                        snd_strerror(error));
}

MmResult AlsaErrorLog::Note(MmResult result, std::string detail) {
    std::lock_guard lock(mutex_);
    details_[result] = std::move(detail);
    return result;
}

MmResult AlsaErrorLog::Describe(MmResult result, std::string& text) const {
    text = std::string(WaveResultText(result));
    if (text.empty())
        return MmResult::BadErrNum;
    std::lock_guard lock(mutex_);
    if (auto found = details_.find(result); found != details_.end())
        text += " (" + found->second + ")";
    return MmResult::NoError;
}

}  // namespace zav::platform::alsa
