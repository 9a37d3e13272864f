#pragma once
// Waiting for something another thread does, bounded: the test fails instead of hanging.

#include <chrono>
#include <functional>

namespace zav::test {

// Polls condition every few milliseconds until it holds (true) or limit has passed (false).
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);

}  // namespace zav::test
