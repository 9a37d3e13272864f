#pragma once
// The engines' progress timer: a periodic multimedia timer event (100 ms, 20 ms resolution)
// while a sound plays or records. Its tick never touches the dialog: it posts the tick to the
// dialog thread, tagged with the run it belongs to, and the dialog thread drops a tick whose run
// has ended (the timer killed or started again since). So killing the timer on the dialog thread
// never waits for the dialog thread, and no tick acts after its timer was killed.
//
// Thread: dialog, for every member; the ticks reach onTick there.

#include <cstdint>
#include <functional>

#include "platform/timer/multimedia_timer.h"
#include "platform/ui/scoped_poster.h"

namespace keyvoice {

inline constexpr std::uint32_t kProgressPeriodMs = 100;
inline constexpr std::uint32_t kProgressResolutionMs = 20;

class ProgressTimer {
  public:
    // The poster must outlive the timer.
    ProgressTimer(zav::platform::MultimediaTimer& timer, zav::platform::ScopedPoster& poster)
        : timer_(timer), poster_(poster) {}
    ~ProgressTimer() { Kill(); }
    ProgressTimer(const ProgressTimer&) = delete;
    ProgressTimer& operator=(const ProgressTimer&) = delete;

    // timeSetEvent: from now on onTick runs on the dialog thread once per period. Kills a
    // timer that runs. False when the event could not be made (then nothing ticks).
    bool Start(std::function<void()> onTick);
    // timeKillEvent: no tick runs after it, not even one already posted.
    void Kill();
    bool Running() const { return event_ != zav::platform::kNoTimerEvent; }

  private:
    zav::platform::MultimediaTimer& timer_;
    zav::platform::ScopedPoster& poster_;
    zav::platform::TimerEventId event_ = zav::platform::kNoTimerEvent;
    std::uint32_t run_ = 0;  // counts the runs; a posted tick carries its own
    std::function<void()> onTick_;
};

}  // namespace keyvoice
