#include "platform/alsa/alsa_error.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>

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

namespace {

// The last failure a thread met, and the log it was recorded in.
struct ThreadFailure {
    const AlsaErrorLog* log = nullptr;
    MmResult result = MmResult::NoError;
    std::string detail;
};
thread_local ThreadFailure tLastFailure;

// What libasound said on this thread since the last record; kept short.
thread_local std::string tAlsaSaid;
constexpr std::size_t kMaxSaid = 512;

void KeepAlsaMessage(const char* file, int line, const char* function, int error,
                     const char* format, ...) {
    (void)file;
    (void)line;
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    std::string message = std::string(function != nullptr ? function : "alsa") + ": " + text;
    if (error != 0)
        message += std::string(" (") + snd_strerror(error) + ")";
    if (!tAlsaSaid.empty())
        tAlsaSaid += "; ";
    tAlsaSaid += message;
    if (tAlsaSaid.size() > kMaxSaid)
        tAlsaSaid.erase(0, tAlsaSaid.size() - kMaxSaid);
}

std::string TakeAlsaSaid() {
    std::string said;
    said.swap(tAlsaSaid);
    return said;
}

}  // namespace

void CaptureAlsaMessages() {
    static std::once_flag installed;
    std::call_once(installed, [] { snd_lib_error_set_handler(KeepAlsaMessage); });
}

MmResult AlsaErrorLog::Record(int error, std::string_view operation, AlsaStep step) {
    const MmResult result = MapAlsaError(error, step);
    return Note(result, std::string(operation) + ": " + snd_strerror(error));
}

MmResult AlsaErrorLog::Note(MmResult result, std::string detail) {
    if (const std::string said = TakeAlsaSaid(); !said.empty())
        detail += " [" + said + "]";
    tLastFailure = ThreadFailure{this, result, std::move(detail)};
    return result;
}

MmResult AlsaErrorLog::RecordLostDevice(std::uint32_t handle, int error,
                                        std::string_view operation) {
    std::string detail =
        "the device stopped working, " + std::string(operation) + ": " + snd_strerror(error);
    if (const std::string said = TakeAlsaSaid(); !said.empty())
        detail += " [" + said + "]";
    std::lock_guard lock(mutex_);
    lostDevices_[handle] = LostDevice{nextOrder_++, std::move(detail)};
    return MmResult::NoDriver;
}

void AlsaErrorLog::ForgetHandle(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    lostDevices_.erase(handle);
}

MmResult AlsaErrorLog::Describe(MmResult result, std::string& text) const {
    text = std::string(WaveResultText(result));
    if (text.empty())
        return MmResult::BadErrNum;
    if (tLastFailure.log == this && tLastFailure.result == result) {
        text += " (" + tLastFailure.detail + ")";
        return MmResult::NoError;
    }
    if (result == MmResult::NoDriver) {
        std::lock_guard lock(mutex_);
        const LostDevice* latest = nullptr;
        for (const auto& [handle, lost] : lostDevices_) {
            if (latest == nullptr || lost.order > latest->order)
                latest = &lost;
        }
        if (latest != nullptr)
            text += " (" + latest->detail + ")";
    }
    return MmResult::NoError;
}

}  // namespace zav::platform::alsa
