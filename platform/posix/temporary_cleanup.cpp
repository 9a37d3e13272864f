#include "platform/posix/temporary_cleanup.h"

#include <limits.h>
#include <pthread.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

namespace zav::platform {

namespace {

constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

enum SlotState : int { kFree, kFilling, kArmed };

// One registered temporary file. The path is written before the state becomes kArmed and read
// by the handler only while it is kArmed.
struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};

constexpr std::size_t kSlotCount = 8;
std::array<Slot, kSlotCount> gSlots;
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the states");

// The handlers' installation, shared by every live TemporaryCleanup.
std::mutex gInstallLock;
int gUsers = 0;
std::array<bool, kSignals.size()> gInstalled{};

extern "C" void RemoveTemporariesAndEnd(int signal) {
    for (Slot& slot : gSlots) {
        if (slot.state.load() == kArmed)
            ::unlink(slot.path);
    }
    // The handler replaced the default action only: end the process as that action would.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    // The signal stays blocked until the handler returns; it is then delivered again.
    ::raise(signal);
}

void InstallHandlers() {
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        struct sigaction current {};
        if (::sigaction(kSignals[i], nullptr, &current) != 0 || current.sa_handler != SIG_DFL ||
            (current.sa_flags & SA_SIGINFO) != 0) {
            continue;  // the program's own action, or ignored: leave it
        }
        struct sigaction action {};
        action.sa_handler = RemoveTemporariesAndEnd;
        sigemptyset(&action.sa_mask);
        for (int other : kSignals)
            sigaddset(&action.sa_mask, other);
        gInstalled[i] = ::sigaction(kSignals[i], &action, nullptr) == 0;
    }
}

void RestoreHandlers() {
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (!gInstalled[i])
            continue;
        gInstalled[i] = false;
        struct sigaction current {};
        // Put the default back only if nobody replaced the handler meanwhile.
        if (::sigaction(kSignals[i], nullptr, &current) == 0 &&
            current.sa_handler == RemoveTemporariesAndEnd) {
            struct sigaction action {};
            action.sa_handler = SIG_DFL;
            sigemptyset(&action.sa_mask);
            ::sigaction(kSignals[i], &action, nullptr);
        }
    }
}

}  // namespace

TemporaryCleanup::TemporaryCleanup() {
    const std::lock_guard lock(gInstallLock);
    if (gUsers++ == 0)
        InstallHandlers();
}

TemporaryCleanup::~TemporaryCleanup() {
    Disarm();
    const std::lock_guard lock(gInstallLock);
    if (--gUsers == 0)
        RestoreHandlers();
}

void TemporaryCleanup::Arm(const std::string& path) {
    Disarm();
    if (path.size() >= PATH_MAX)
        return;
    for (std::size_t i = 0; i < gSlots.size(); ++i) {
        int expected = kFree;
        if (gSlots[i].state.compare_exchange_strong(expected, kFilling)) {
            std::memcpy(gSlots[i].path, path.c_str(), path.size() + 1);
            gSlots[i].state.store(kArmed);
            slot_ = static_cast<int>(i);
            return;
        }
    }
}

void TemporaryCleanup::Disarm() {
    if (slot_ >= 0)
        gSlots[static_cast<std::size_t>(slot_)].state.store(kFree);
    slot_ = -1;
}

TerminationSignalsBlocked::TerminationSignalsBlocked() {
    sigset_t block;
    sigemptyset(&block);
    for (int signal : kSignals)
        sigaddset(&block, signal);
    blocked_ = ::pthread_sigmask(SIG_BLOCK, &block, &saved_) == 0;
}

TerminationSignalsBlocked::~TerminationSignalsBlocked() {
    if (blocked_)
        ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
}

}  // namespace zav::platform
