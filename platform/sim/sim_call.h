#pragma once
// The simulated card's own calls, for counting them and injecting failures: those of the
// output hold. The wave calls are counted and failed by the wave core's names (WaveCall).

#include <cstddef>
#include <cstdint>

namespace zav::platform::sim {

enum class SimCall : std::uint8_t {
    CreateOutputHold,
    SetCooperativeLevel,
};
inline constexpr std::size_t kSimCallCount =
    static_cast<std::size_t>(SimCall::SetCooperativeLevel) + 1;

}  // namespace zav::platform::sim
