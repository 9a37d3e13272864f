#pragma once
// The dispatcher of a Windows program: tasks run on the thread that made it (the dialog thread)
// through a message-only window of that thread, so every message loop there runs them (the
// dialog's, a message box's), as it would a posted window message. Posted tasks wait in a queue
// of their own, woken by at most one message at a time, so a flood of posts cannot fill the
// thread's message queue.
//
// Thread: construct and destroy on the dialog thread; Post, Send and OnDialogThread from any.
// Devices that post here must be stopped before the dispatcher is destroyed; tasks still
// queued then are dropped, and a Send waiting for one of them returns false.

#include <windows.h>

#include <deque>
#include <mutex>

#include "platform/ui/dispatcher.h"

namespace zav::platform::win32 {

class Win32Dispatcher final : public Dispatcher {
  public:
    Win32Dispatcher();
    ~Win32Dispatcher() override;
    Win32Dispatcher(const Win32Dispatcher&) = delete;
    Win32Dispatcher& operator=(const Win32Dispatcher&) = delete;

    void Post(Task task) override;
    bool OnDialogThread() const override;

    // False when the message window could not be made: Post then drops its tasks.
    bool Valid() const { return window_ != nullptr; }

  protected:
    bool DoSend(Task task) override;

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void RunQueued();

    const DWORD threadId_;
    HWND window_ = nullptr;
    std::mutex lock_;
    std::deque<Task> tasks_;   // guarded by lock_
    bool wakePosted_ = false;  // guarded by lock_
};

}  // namespace zav::platform::win32
