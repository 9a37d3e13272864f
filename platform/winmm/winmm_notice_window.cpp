#include "platform/winmm/winmm_notice_window.h"

#include <mmsystem.h>

#include <mutex>

namespace zav::platform::winmm {

namespace {

constexpr const wchar_t* kClassName = L"ZavMixerNotices";
// Asks the window's own thread to destroy the window and end its loop.
constexpr UINT kQuitMessage = WM_APP + 1;

LRESULT CALLBACK NoticeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* owner = reinterpret_cast<NoticeWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case MM_MIXM_LINE_CHANGE:
        case MM_MIXM_CONTROL_CHANGE:
            if (owner != nullptr) {
                owner->Receive(static_cast<MixerChange>(message), reinterpret_cast<HMIXER>(wParam),
                               static_cast<DWORD>(lParam));
            }
            return 0;
        case kQuitMessage:
            ::DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

bool RegisterNoticeClass() {
    static std::once_flag once;
    static bool registered = false;
    std::call_once(once, [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &NoticeProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        registered = ::RegisterClassW(&windowClass) != 0;
    });
    return registered;
}

}  // namespace

NoticeWindow::NoticeWindow(Handler handler) : handler_(std::move(handler)) {
    std::promise<HWND> made;
    std::future<HWND> ready = made.get_future();
    thread_ = std::thread([this, &made] { Run(made); });
    window_ = ready.get();
    if (window_ == nullptr)
        thread_.join();  // the thread ended at once
}

NoticeWindow::~NoticeWindow() {
    if (thread_.joinable()) {
        ::PostMessageW(window_, kQuitMessage, 0, 0);
        thread_.join();
    }
}

void NoticeWindow::Run(std::promise<HWND>& made) {
    HWND window = nullptr;
    if (RegisterNoticeClass()) {
        window = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   ::GetModuleHandleW(nullptr), this);
    }
    made.set_value(window);  // the promise belongs to the constructor: not touched again
    if (window == nullptr)
        return;
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&message);
}

}  // namespace zav::platform::winmm
