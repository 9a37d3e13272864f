#pragma once
// Counts the calls of each kind a simulated device receives and makes chosen ones fail, for
// the simulated card and the simulated mixer alike. A rule counts from the moment it is set:
// the call after the next afterCalls calls of its kind fails, and so do the following ones
// until times failures have been given (kEveryTime: for ever).
//
// Thread: not synchronised; its owner calls it with its own lock held.

#include <array>
#include <cstddef>
#include <cstdint>

namespace zav::platform::sim {

inline constexpr std::uint32_t kEveryTime = 0xFFFFFFFF;

template <typename Call, typename Result, std::size_t kCallCount>
class FaultInjector {
  public:
    // Replaces an earlier rule for the same call.
    void Fail(Call call, Result result, std::uint32_t afterCalls = 0, std::uint32_t times = 1) {
        rules_[Index(call)] = Rule{result, afterCalls, times};
    }
    void Clear() { rules_.fill(Rule{}); }

    // Counts one call. True, with the result to fail it with, when a rule fails it.
    bool OnCall(Call call, Result& failure) {
        ++counts_[Index(call)];
        Rule& rule = rules_[Index(call)];
        if (rule.times == 0)
            return false;
        if (rule.skip > 0) {
            --rule.skip;
            return false;
        }
        if (rule.times != kEveryTime)
            --rule.times;
        failure = rule.result;
        return true;
    }
    std::uint32_t Count(Call call) const { return counts_[Index(call)]; }

  private:
    struct Rule {
        Result result{};
        std::uint32_t skip = 0;
        std::uint32_t times = 0;
    };
    static std::size_t Index(Call call) { return static_cast<std::size_t>(call); }

    std::array<std::uint32_t, kCallCount> counts_{};
    std::array<Rule, kCallCount> rules_{};
};

}  // namespace zav::platform::sim
