#pragma once
// Child processes for the tests that kill or starve a process of their own (POSIX only): start
// one, and wait for it within a deadline so that a hung child fails the test instead of
// hanging it.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

// Forks; the child runs body and exits with what it returns.
pid_t StartChild(const std::function<int()>& body);

// Starts program with args. prepare, when given, runs in the child before the program starts
// (limits, redirections, environment); when it returns false the child exits with 121.
pid_t StartProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::function<bool()>& prepare = {});

// The child's wait status; nullopt when it did not end within limit (it is then killed and
// reaped).
std::optional<int> WaitForChild(pid_t pid,
                                std::chrono::milliseconds limit = std::chrono::minutes(1));

// The child's exit code; -1 when it ended by a signal or did not end within a minute (the
// latter is also a test failure).
int ExitCodeOf(pid_t pid);

// Sends signal to the child and reaps it; returns its wait status.
int KillChild(pid_t pid, int signal);

}  // namespace test_support
