#pragma once
// Removal of ReplaceFile's temporary files when SIGTERM, SIGINT or SIGHUP ends the process while
// they are being written.
//
// While at least one TemporaryCleanup lives, a handler is installed for each of those signals
// whose action is the default one (a program that handles or ignores a signal keeps its own
// action). The handler removes every registered temporary file, then ends the process with the
// signal's default action. The registry holds a few paths in fixed storage, so the handler only
// reads memory and calls unlink, sigaction and raise, all async-signal-safe.
//
// Thread: any; each TemporaryCleanup is used by the thread that made it.

#include <signal.h>

#include <string>

namespace zav::platform {

class TemporaryCleanup {
  public:
    TemporaryCleanup();   // installs the handlers (for the first live object)
    ~TemporaryCleanup();  // disarms, and restores the actions (for the last live object)
    TemporaryCleanup(const TemporaryCleanup&) = delete;
    TemporaryCleanup& operator=(const TemporaryCleanup&) = delete;

    // Registers path, a file that exists now and that the handler is to remove. Without room
    // (more replacements at once than the registry holds, or a path too long) the file is not
    // registered, and a signal then leaves it.
    void Arm(const std::string& path);
    // Forgets the path: the file was renamed or removed.
    void Disarm();

  private:
    int slot_ = -1;
};

// Blocks the signals above in the calling thread while it lives, so that creating or renaming
// a temporary file and registering or forgetting it happen together.
class TerminationSignalsBlocked {
  public:
    TerminationSignalsBlocked();
    ~TerminationSignalsBlocked();
    TerminationSignalsBlocked(const TerminationSignalsBlocked&) = delete;
    TerminationSignalsBlocked& operator=(const TerminationSignalsBlocked&) = delete;

  private:
    bool blocked_ = false;
    sigset_t saved_{};
};

}  // namespace zav::platform
