#pragma once
// Runs a dialog on the test's thread, which is the dialog thread, while a script on a second
// thread acts as the user: it posts the host's input messages (clicks, keys, window commands)
// and looks at the window through the dispatcher, on the dialog thread. When the script ends,
// early on a failed assertion too, a dialog still running is cancelled, so a test never hangs.

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <thread>
#include <vector>

#include "platform/win32_dialogs/dib_surface.h"
#include "platform/win32_dialogs/win32_dialog_runner.h"
#include "platform/win32_dialogs/win32_dispatcher.h"
#include "tests/support/dialog_call.h"

namespace win32_dialog_test {

namespace platform = zav::platform;
namespace win32 = zav::platform::win32;

class DialogDriver {
  public:
    using Script = std::function<void(DialogDriver& driver)>;

    DialogDriver(win32::Win32Dispatcher& dispatcher, win32::Win32DialogRunner& runner)
        : dispatcher_(dispatcher), runner_(runner) {}

    // Runs dialog through run (which calls the runner), starting script on its own thread once
    // the window whose template id is dialogId is about to show. Returns run's result.
    int Run(int dialogId, const std::function<int()>& run, Script script) {
        runner_.SetWindowObserver([this, dialogId, script](win32::Win32DialogWindow& window) {
            if (window.Template().id != dialogId || started_)
                return;
            started_ = true;
            window_ = &window;
            script_ = std::thread([this, script] {
                script(*this);
                // Whatever the script left running is cancelled.
                zav::test::SendWithin(dispatcher_, [this] {
                    if (window_ != nullptr && !window_->EndResult())
                        window_->EndDialog(platform::kIdCancel);
                });
                done_ = true;
            });
        });
        const int result = run();
        window_ = nullptr;
        // The script may still ask the dialog thread for something: keep its messages moving.
        while (started_ && !done_)
            PumpFor(std::chrono::milliseconds(5));
        if (script_.joinable())
            script_.join();
        runner_.SetWindowObserver(nullptr);
        return result;
    }

    bool Started() const { return started_; }

    // The running window, on the dialog thread; null once its run has returned.
    win32::Win32DialogWindow* Window() const { return window_; }

    // Runs task on the dialog thread and waits for it (see SendWithin).
    void OnDialog(const std::function<void()>& task) {
        ASSERT_TRUE(zav::test::SendWithin(dispatcher_, task));
    }

    // Waits until condition, checked on the dialog thread (also after the run has ended),
    // holds; false after timeoutMs.
    bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 8000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            if (zav::test::AskWithin(dispatcher_, condition))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // The control's window, looked up on the dialog thread.
    HWND Control(int id) {
        return zav::test::AskWithin(
            dispatcher_, [&] { return window_ != nullptr ? window_->ControlHandle(id) : nullptr; });
    }
    HWND Dialog() {
        return zav::test::AskWithin(
            dispatcher_, [&] { return window_ != nullptr ? window_->Handle() : nullptr; });
    }

    // The user's input, as the host delivers it: a click, a key pressed and released on the
    // window that has the focus, a window-menu command.
    static void Click(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }
    static void Key(HWND target, WORD key) {
        ::PostMessageW(target, WM_KEYDOWN, key, 1);
        ::PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    }
    void KeyToFocus(WORD key) {
        const HWND focus = zav::test::AskWithin(dispatcher_, [] { return ::GetFocus(); });
        Key(focus != nullptr ? focus : Dialog(), key);
    }
    static void SystemCommand(HWND dialog, UINT command) {
        ::PostMessageW(dialog, WM_SYSCOMMAND, command, 0);
    }

    // Runs the dialog thread's messages for a while (for a test thread that waits).
    static void PumpFor(std::chrono::milliseconds time) {
        const auto end = std::chrono::steady_clock::now() + time;
        do {
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } while (std::chrono::steady_clock::now() < end);
    }

  private:
    win32::Win32Dispatcher& dispatcher_;
    win32::Win32DialogRunner& runner_;
    bool started_ = false;
    win32::Win32DialogWindow* window_ = nullptr;  // dialog thread only
    std::thread script_;
    std::atomic<bool> done_{false};
};

// A top-level window of this process with this caption (a message box, a nested dialog), or
// null after timeoutMs.
inline HWND WaitForWindow(const wchar_t* caption, int timeoutMs = 8000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        const HWND found = ::FindWindowW(L"#32770", caption);
        if (found != nullptr && ::IsWindowVisible(found))
            return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

// Runs dialog with handler on a dispatcher and a runner of their own, with script as the user.
inline int RunWithScript(const platform::DialogTemplate& dialog, platform::DialogHandler& handler,
                         DialogDriver::Script script) {
    win32::Win32Dispatcher dispatcher;
    win32::Win32DialogRunner runner;
    DialogDriver driver(dispatcher, runner);
    const int result = driver.Run(
        dialog.id, [&] { return runner.RunModal(dialog, handler); }, std::move(script));
    EXPECT_TRUE(driver.Started());
    return result;
}

// The picture a control would paint now (WM_PRINTCLIENT), as pixels row by row; width, when
// given, gets the control's width.
inline std::vector<std::uint32_t> Picture(HWND control, int* width = nullptr) {
    RECT client{};
    ::GetClientRect(control, &client);
    if (width != nullptr)
        *width = client.right;
    win32::DibSurface surface(client.right, client.bottom);
    if (!surface.Valid())
        return {};
    ::SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.Dc()), PRF_CLIENT);
    const std::span<const std::uint32_t> pixels = surface.Pixels();
    return {pixels.begin(), pixels.end()};
}

}  // namespace win32_dialog_test
