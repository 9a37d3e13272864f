#include "platform/sim/rule_violation.h"

#include <cstdio>
#include <cstdlib>

namespace zav::platform::sim {

void AbortOnRuleViolation(std::string_view message) {
    std::fprintf(stderr, "simulated sound card: host rule broken: %.*s\n",
                 static_cast<int>(message.size()), message.data());
    std::fflush(stderr);
    std::abort();
}

}  // namespace zav::platform::sim
