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

// The detail of the last failure behind each result code.
// Thread: any.
class AlsaErrorLog {
  public:
    // Maps error and keeps "operation: ALSA's text" as the detail of the result.
    MmResult Record(int error, std::string_view operation, AlsaStep step);
    // A device that failed while open: NoDriver from then on, with what failed as its detail.
    MmResult RecordLostDevice(int error, std::string_view operation);
    // Keeps detail for a failure that has no ALSA number.
    MmResult Note(MmResult result, std::string detail);
    // The description of result, followed by the detail of its last failure when there was
    // one; BadErrNum (text empty) for a number that is not a result code.
    MmResult Describe(MmResult result, std::string& text) const;

  private:
    mutable std::mutex mutex_;
    std::map<MmResult, std::string> details_;
};

}  // namespace zav::platform::alsa
