#include "platform/sim/rule_violation.h"

#include <cstdio>
#include <cstdlib>

namespace zav::platform::sim {

void ReportRuleViolation(std::string_view message) {
    std::fprintf(stderr, "simulated device: host rule broken: %.*s\n",
                 static_cast<int>(message.size()), message.data());
    std::fflush(stderr);
}

void AbortOnRuleViolation(std::string_view message) {
    ReportRuleViolation(message);
    std::abort();
}

}  // namespace zav::platform::sim
