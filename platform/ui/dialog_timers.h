#pragma once
// Window timers of a running dialog: each identifier ticks with its own period and every tick
// reaches the dialog's handler as OnTimer(id) on the dialog thread, like the host's WM_TIMER.
// Ticks never pile up: a tick that is due while the previous one is still being handled is
// dropped, as the host's timer messages are.

#include <cstdint>

namespace zav::platform {

class DialogTimers {
  public:
    virtual ~DialogTimers() = default;

    // Starts timer id, or restarts it with the new period when it runs. periodMs 0 counts as 1.
    // Thread: dialog.
    virtual void SetTimer(std::uint32_t id, std::uint32_t periodMs) = 0;
    // Stops timer id; false when it was not running. No tick of it arrives afterwards.
    // Thread: dialog.
    virtual bool KillTimer(std::uint32_t id) = 0;
};

}  // namespace zav::platform
