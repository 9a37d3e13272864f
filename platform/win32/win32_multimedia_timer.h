#pragma once
// The multimedia timer on the host's own: timeGetDevCaps, timeBeginPeriod, timeEndPeriod,
// timeSetEvent and timeKillEvent. The system calls each event's function on its own timer
// thread; this class keeps the callbacks alive while an event runs and gives KillEvent the
// waiting the interface promises.
//
// Thread: any.

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/timer/multimedia_timer.h"

namespace zav::platform::win32 {

class Win32MultimediaTimer final : public MultimediaTimer {
  public:
    Win32MultimediaTimer() = default;
    Win32MultimediaTimer(const Win32MultimediaTimer&) = delete;
    Win32MultimediaTimer& operator=(const Win32MultimediaTimer&) = delete;
    // Kills every event still running.
    ~Win32MultimediaTimer() override;

    TimerResult GetDevCaps(TimerCaps& caps) override;
    TimerResult BeginPeriod(std::uint32_t periodMs) override;
    TimerResult EndPeriod(std::uint32_t periodMs) override;
    TimerEventId SetEvent(std::uint32_t delayMs, std::uint32_t resolutionMs,
                          Callback callback) override;
    TimerResult KillEvent(TimerEventId event) override;

    // One running event; the system's timer function reaches it through Tick.
    struct Event;
    static void Tick(Event& event);

  private:
    std::mutex lock_;
    std::condition_variable tickEnded_;
    std::map<std::uint32_t, std::shared_ptr<Event>> events_;
    // Events killed from their own tick, kept until the timer goes.
    std::vector<std::shared_ptr<Event>> retired_;
};

}  // namespace zav::platform::win32
