#pragma once
// The calls of the simulated sound card, for counting them and injecting failures.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/audio/wave_result.h"

namespace zav::platform::sim {

enum class SimCall : std::uint8_t {
    WaveInGetNumDevs,
    WaveInGetDevCaps,
    WaveInOpen,
    WaveInPrepareHeader,
    WaveInUnprepareHeader,
    WaveInAddBuffer,
    WaveInStart,
    WaveInStop,
    WaveInReset,
    WaveInGetPosition,
    WaveInClose,
    WaveInGetErrorText,
    WaveOutGetNumDevs,
    WaveOutGetDevCaps,
    WaveOutOpen,
    WaveOutPrepareHeader,
    WaveOutUnprepareHeader,
    WaveOutWrite,
    WaveOutGetPosition,
    WaveOutReset,
    WaveOutClose,
    WaveOutGetErrorText,
    CreateOutputHold,
    SetCooperativeLevel,
};
inline constexpr std::size_t kSimCallCount =
    static_cast<std::size_t>(SimCall::SetCooperativeLevel) + 1;

// The host's name of the call ("waveInAddBuffer"), for messages.
std::string_view SimCallName(SimCall call);

// Counts the calls of each kind and makes chosen ones fail.
// Thread: not synchronised; the card calls it with its lock held.
class SimFailures {
  public:
    static constexpr std::uint32_t kEveryTime = 0xFFFFFFFF;

    // The call after the next afterCalls calls of this kind fails with result, and so do the
    // following ones until times failures have been given. Replaces an earlier rule.
    void Fail(SimCall call, MmResult result, std::uint32_t afterCalls, std::uint32_t times);
    void Clear();

    // Counts one call and gives the result to fail it with, or NoError.
    MmResult OnCall(SimCall call);
    std::uint32_t Count(SimCall call) const { return counts_[Index(call)]; }

  private:
    struct Rule {
        MmResult result = MmResult::NoError;
        std::uint32_t skip = 0;
        std::uint32_t times = 0;
    };
    static std::size_t Index(SimCall call) { return static_cast<std::size_t>(call); }

    std::array<std::uint32_t, kSimCallCount> counts_{};
    std::array<Rule, kSimCallCount> rules_{};
};

}  // namespace zav::platform::sim
