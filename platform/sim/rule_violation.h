#pragma once
// What the simulated devices do when a program breaks one of the host's rules (a wave call
// from inside a device callback, a queued buffer unprepared or changed, a call on a closed
// handle ...). Tests install a handler that fails the test, a program on the simulated card one
// that reports and goes on; the default aborts the program with the message, so that a broken
// rule is never silent.

#include <functional>
#include <string_view>

namespace zav::platform::sim {

// Called on: the thread that broke the rule, with the simulated device's lock held; must not
// call back into the device.
using RuleViolationHandler = std::function<void(std::string_view message)>;

// Prints the message to stderr and aborts: the default, so that no test misses a broken rule.
[[noreturn]] void AbortOnRuleViolation(std::string_view message);
// Prints the message to stderr and lets the program go on: a person trying a program on the
// simulated card sees the broken rule without losing the program.
void ReportRuleViolation(std::string_view message);

}  // namespace zav::platform::sim
