#pragma once
// The host's multimedia timer: its capabilities, the timer resolution a program asks for, and
// periodic events whose callback runs on a timer thread. KeyVoice's engines tick with it while
// a sound plays or records.
//
// Callback rule: a timer callback never waits for the dialog thread (no Dispatcher::Send, no
// lock the dialog thread holds while it kills the event). It posts its work to the dialog
// thread and returns; KillEvent may then wait for it without any risk of a deadlock.

#include <cstdint>
#include <functional>

namespace zav::platform {

// Results of the timer calls, with the host's numbers (TIMERR_*).
enum class TimerResult : std::uint32_t {
    NoError = 0,   // TIMERR_NOERROR
    NoCanDo = 97,  // TIMERR_NOCANDO: the request cannot be met
    Struct = 129,  // TIMERR_STRUCT
};

// TIMECAPS: the shortest and longest periods the timer supports, in milliseconds.
struct TimerCaps {
    std::uint32_t periodMin = 0;
    std::uint32_t periodMax = 0;

    friend bool operator==(const TimerCaps&, const TimerCaps&) = default;
};

// The id of a running periodic event; 0 is no event.
enum class TimerEventId : std::uint32_t {};
inline constexpr TimerEventId kNoTimerEvent{0};

class MultimediaTimer {
  public:
    // Called on: a timer thread (never the dialog thread), once per period, with the id
    // SetEvent returned. Ticks of one event never overlap. See the callback rule above.
    using Callback = std::function<void(TimerEventId event)>;

    virtual ~MultimediaTimer() = default;

    // timeGetDevCaps. Thread: any.
    virtual TimerResult GetDevCaps(TimerCaps& caps) = 0;
    // timeBeginPeriod and timeEndPeriod: asks for (and gives back) a timer resolution of
    // periodMs. NoCanDo when the request is refused. Thread: any.
    virtual TimerResult BeginPeriod(std::uint32_t periodMs) = 0;
    virtual TimerResult EndPeriod(std::uint32_t periodMs) = 0;

    // timeSetEvent with TIME_PERIODIC: after delayMs and every delayMs from then on, callback
    // runs on a timer thread; resolutionMs is the accuracy asked for. Ticks keep to the
    // deadlines delayMs, 2 * delayMs ... after the call, so the period does not drift.
    // kNoTimerEvent when the event cannot be made (a delay outside the capabilities, no
    // callback, no thread). Thread: any.
    virtual TimerEventId SetEvent(std::uint32_t delayMs, std::uint32_t resolutionMs,
                                  Callback callback) = 0;
    // timeKillEvent: no tick of the event starts after it returns, and when it is called from
    // any thread but the event's own timer thread it also waits for a tick that is running.
    // Called from the event's own callback it stops the event without waiting; that tick ends
    // when the callback returns. NoCanDo for an unknown or already killed event. Thread: any.
    virtual TimerResult KillEvent(TimerEventId event) = 0;
};

}  // namespace zav::platform
