#pragma once
// Keeps the broken host rules that the simulated card, mixer and dispatcher report, for a test
// that expects them or reports them at its end.
//
// Thread: any.

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/rule_violation.h"

namespace zav::platform::sim {
class SimSoundCard;
}

namespace zav::test {

class ViolationLog {
  public:
    // The handler to install in a part; a source names the part in the message ("card: ...").
    platform::sim::RuleViolationHandler Handler(std::string_view source = {});
    // Installs Handler() in card.
    void Attach(platform::sim::SimSoundCard& card);

    std::size_t Count() const;
    std::vector<std::string> Messages() const;
    // The first message, "" while there is none.
    std::string First() const;

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> messages_;
};

}  // namespace zav::test
