#pragma once
// The one place where ALSA's error numbers (negative errno values) become the host's result
// codes. The log keeps ALSA's own text and the name of the failing operation, so that the
// error-text calls can say more than the bare code.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/audio/wave_result.h"
#include "platform/mixer/mixer_constants.h"

namespace zav::platform::alsa {

// What the failing call was doing; the same number means different things at each step.
enum class AlsaStep {
    Use,     // a call on a device that is open: start, read, write, drop, mixer calls
    Open,    // opening or preparing a device: a device that is missing or gone means no driver
    Format,  // installing the hardware parameters: an invalid argument means a format refused
};

// The host's result for ALSA error number error (negative, as ALSA returns it).
MmResult MapAlsaError(int error, AlsaStep step);

// The same failure as a mixer result (the mixer's numbers agree with the wave results for the
// codes they share).
MixerResult ToMixerResult(MmResult result);

// Sends what libasound prints about its own failures into the failing thread's next record
// instead of the user's terminal. Process-wide; installing it again does nothing.
void CaptureAlsaMessages();

// The details behind the results the wave calls give, for their error-text calls.
//  - A failing call keeps "operation: ALSA's text" (and whatever libasound said meanwhile) as
//    the last failure of the thread that made it, so the text a program asks for right after
//    a failure describes that failure, whatever other threads do meanwhile.
//  - A device that stops working while open keeps its detail under its handle; the text of
//    NoDriver then names the device that failed last, for the calls that answer NoDriver.
// Thread: any.
class AlsaErrorLog {
  public:
    // Maps error and keeps the detail as the calling thread's last failure.
    MmResult Record(int error, std::string_view operation, AlsaStep step);
    // Keeps detail as the calling thread's last failure, for one that has no ALSA number.
    MmResult Note(MmResult result, std::string detail);
    // The device of handle failed for good: NoDriver, with what failed as its detail.
    MmResult RecordLostDevice(std::uint32_t handle, int error, std::string_view operation);
    // The handle is closed: its detail goes.
    void ForgetHandle(std::uint32_t handle);
    // The description of result, followed by its detail: the calling thread's last failure
    // when it gave result, else for NoDriver the device that failed last. BadErrNum (text
    // empty) for a number that is not a result code.
    MmResult Describe(MmResult result, std::string& text) const;

  private:
    struct LostDevice {
        std::uint64_t order = 0;
        std::string detail;
    };
    mutable std::mutex mutex_;
    std::map<std::uint32_t, LostDevice> lostDevices_;  // by handle
    std::uint64_t nextOrder_ = 0;
};

}  // namespace zav::platform::alsa
