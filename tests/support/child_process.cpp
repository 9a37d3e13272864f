#include "tests/support/child_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace test_support {

pid_t StartChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    return pid;
}

pid_t StartProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::function<bool()>& prepare) {
    return StartChild([&] {
        if (prepare && !prepare())
            return 121;
        std::vector<std::string> copies = args;
        std::string path = program;
        std::vector<char*> argv{path.data()};
        for (std::string& arg : copies)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        return 122;
    });
}

std::optional<int> WaitForChild(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return status;
        if (std::chrono::steady_clock::now() > deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    KillChild(pid, SIGKILL);
    return std::nullopt;
}

int ExitCodeOf(pid_t pid) {
    const std::optional<int> status = WaitForChild(pid);
    if (!status) {
        ADD_FAILURE() << "child process " << pid << " did not end";
        return -1;
    }
    return WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
}

int KillChild(pid_t pid, int signal) {
    kill(pid, signal);
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

}  // namespace test_support
