#include "keyvoice/progress_timer.h"

#include <utility>

namespace keyvoice {

bool ProgressTimer::Start(std::function<void()> onTick) {
    Kill();
    onTick_ = std::move(onTick);
    const std::uint32_t run = run_;
    // Called on: the timer thread. It only hands the tick on.
    event_ = timer_.SetEvent(kProgressPeriodMs, kProgressResolutionMs,
                             [this, run](zav::platform::TimerEventId) {
                                 poster_.Post([this, run] {
                                     if (run == run_ && Running())
                                         onTick_();
                                 });
                             });
    return Running();
}

void ProgressTimer::Kill() {
    if (Running()) {
        // Waits for a tick that is running; a tick only posts, so this never waits long.
        timer_.KillEvent(event_);
        event_ = zav::platform::kNoTimerEvent;
    }
    ++run_;
}

}  // namespace keyvoice
