#include "platform/win32/win32_multimedia_timer.h"

#include <windows.h>

#include <mmsystem.h>

#include <utility>
#include <vector>

namespace zav::platform::win32 {

struct Win32MultimediaTimer::Event {
    Win32MultimediaTimer* owner = nullptr;
    TimerEventId id = kNoTimerEvent;
    Callback callback;
    bool killed = false;
    bool ticking = false;
    DWORD tickThread = 0;  // the timer thread running the current tick
};

namespace {

// The system's timer function: dwUser carries the event, which stays alive (held by the map,
// or by the thread that kills it) until no tick of it can start or run any more.
void CALLBACK TimerProc(UINT /*timerId*/, UINT /*message*/, DWORD_PTR user, DWORD_PTR /*dw1*/,
                        DWORD_PTR /*dw2*/) {
    auto* event = reinterpret_cast<Win32MultimediaTimer::Event*>(user);
    Win32MultimediaTimer::Tick(*event);
}

}  // namespace

Win32MultimediaTimer::~Win32MultimediaTimer() {
    std::vector<std::uint32_t> running;
    {
        const std::lock_guard<std::mutex> guard(lock_);
        for (const auto& [id, event] : events_)
            running.push_back(id);
    }
    for (std::uint32_t id : running)
        KillEvent(TimerEventId{id});
    // An event killed from its own tick may still be in that tick's callback.
    std::unique_lock<std::mutex> guard(lock_);
    tickEnded_.wait(guard, [this] {
        for (const std::shared_ptr<Event>& event : retired_) {
            if (event->ticking)
                return false;
        }
        return true;
    });
}

TimerResult Win32MultimediaTimer::GetDevCaps(TimerCaps& caps) {
    TIMECAPS host{};
    const MMRESULT result = ::timeGetDevCaps(&host, sizeof host);
    if (result != TIMERR_NOERROR)
        return static_cast<TimerResult>(result);
    caps = {host.wPeriodMin, host.wPeriodMax};
    return TimerResult::NoError;
}

TimerResult Win32MultimediaTimer::BeginPeriod(std::uint32_t periodMs) {
    return static_cast<TimerResult>(::timeBeginPeriod(periodMs));
}

TimerResult Win32MultimediaTimer::EndPeriod(std::uint32_t periodMs) {
    return static_cast<TimerResult>(::timeEndPeriod(periodMs));
}

TimerEventId Win32MultimediaTimer::SetEvent(std::uint32_t delayMs, std::uint32_t resolutionMs,
                                            Callback callback) {
    if (!callback)
        return kNoTimerEvent;
    auto event = std::make_shared<Event>();
    event->owner = this;
    event->callback = std::move(callback);
    // The first tick waits for the lock, so it finds its id set and the event in the map.
    const std::lock_guard<std::mutex> guard(lock_);
    const MMRESULT id =
        ::timeSetEvent(delayMs, resolutionMs, TimerProc, reinterpret_cast<DWORD_PTR>(event.get()),
                       TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    if (id == 0)
        return kNoTimerEvent;
    event->id = TimerEventId{id};
    events_.emplace(id, std::move(event));
    return TimerEventId{id};
}

void Win32MultimediaTimer::Tick(Event& event) {
    Win32MultimediaTimer& owner = *event.owner;
    {
        const std::lock_guard<std::mutex> guard(owner.lock_);
        if (event.killed)
            return;
        event.ticking = true;
        event.tickThread = ::GetCurrentThreadId();
    }
    event.callback(event.id);
    {
        const std::lock_guard<std::mutex> guard(owner.lock_);
        event.ticking = false;
    }
    owner.tickEnded_.notify_all();
}

TimerResult Win32MultimediaTimer::KillEvent(TimerEventId eventId) {
    const auto id = static_cast<std::uint32_t>(eventId);
    std::shared_ptr<Event> event;
    bool fromOwnTick = false;
    {
        std::unique_lock<std::mutex> guard(lock_);
        const auto found = events_.find(id);
        if (found == events_.end())
            return TimerResult::NoCanDo;
        event = std::move(found->second);
        events_.erase(found);
        event->killed = true;
        fromOwnTick = event->ticking && event->tickThread == ::GetCurrentThreadId();
        if (!fromOwnTick)
            tickEnded_.wait(guard, [&] { return !event->ticking; });
    }
    // With TIME_KILL_SYNCHRONOUS the system's kill waits for a call of TimerProc already on its
    // way (which returns at once, the event being marked killed), except on the timer thread
    // itself.
    ::timeKillEvent(id);
    if (fromOwnTick) {
        // The tick that called us is still running the event's callback: the event is kept
        // until the timer goes.
        const std::lock_guard<std::mutex> guard(lock_);
        retired_.push_back(std::move(event));
    }
    return TimerResult::NoError;
}

}  // namespace zav::platform::win32
