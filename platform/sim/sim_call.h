#pragma once
// The calls of the simulated sound card, for counting them and injecting failures.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/audio/wave_result.h"
#include "platform/sim/fault_injector.h"

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

using SimFailures = FaultInjector<SimCall, MmResult, kSimCallCount>;

}  // namespace zav::platform::sim
