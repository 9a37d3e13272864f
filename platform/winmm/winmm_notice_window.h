#pragma once
// A message-only window on a thread of its own, the target the host's mixer sends its change
// notices to (CALLBACK_WINDOW). Each MM_MIXM_LINE_CHANGE or MM_MIXM_CONTROL_CHANGE it receives
// goes to the handler, on the window's thread; the handler only hands the notice on.
//
// Thread: made and destroyed on one thread (the dialog's); the handler runs on the window's
// thread and must not block on the dialog thread.

#include <windows.h>

#include <mmsystem.h>

#include <functional>
#include <future>
#include <thread>

#include "platform/mixer/mixer_constants.h"

namespace zav::platform::winmm {

class NoticeWindow {
  public:
    // host: the HMIXER the notice names (wParam); id: the line or control id (lParam).
    using Handler = std::function<void(MixerChange change, HMIXER host, DWORD id)>;

    // Starts the thread and waits until the window exists (or could not be made).
    explicit NoticeWindow(Handler handler);
    // Destroys the window and ends its thread; the handler is not called afterwards.
    ~NoticeWindow();
    NoticeWindow(const NoticeWindow&) = delete;
    NoticeWindow& operator=(const NoticeWindow&) = delete;

    // The window, or null when the system would not make one.
    HWND Get() const { return window_; }

    // The window procedure's way back to this object. Window thread.
    void Receive(MixerChange change, HMIXER host, DWORD id) { handler_(change, host, id); }

  private:
    void Run(std::promise<HWND>& made);

    Handler handler_;
    HWND window_ = nullptr;
    std::thread thread_;
};

}  // namespace zav::platform::winmm
