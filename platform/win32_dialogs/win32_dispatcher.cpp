#include "platform/win32_dialogs/win32_dispatcher.h"

#include <condition_variable>
#include <memory>

namespace zav::platform::win32 {

namespace {

constexpr wchar_t kDispatcherClass[] = L"ZavDispatcher";
constexpr UINT kRunTasks = WM_APP + 1;

bool RegisterDispatcherClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = DefWindowProcW;  // each window gets Win32Dispatcher::Proc
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kDispatcherClass;
        return ::RegisterClassExW(&windowClass) != 0 ||
               ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

// What a Send waits for: finished when the task has run, or when it was dropped unrun.
class Completion {
  public:
    void Finish(bool ran) {
        const std::lock_guard guard(lock_);
        if (done_)
            return;
        done_ = true;
        ran_ = ran;
        finished_.notify_all();
    }
    bool Wait() {
        std::unique_lock guard(lock_);
        finished_.wait(guard, [this] { return done_; });
        return ran_;
    }

  private:
    std::mutex lock_;
    std::condition_variable finished_;
    bool done_ = false;
    bool ran_ = false;
};

// Travels with the posted task: when the task goes without having run, its sender is released.
class DropNotice {
  public:
    explicit DropNotice(std::shared_ptr<Completion> completion)
        : completion_(std::move(completion)) {}
    ~DropNotice() { completion_->Finish(false); }
    DropNotice(const DropNotice&) = delete;
    DropNotice& operator=(const DropNotice&) = delete;

    void Ran() { completion_->Finish(true); }

  private:
    std::shared_ptr<Completion> completion_;
};

}  // namespace

Win32Dispatcher::Win32Dispatcher() : threadId_(::GetCurrentThreadId()) {
    if (!RegisterDispatcherClass())
        return;
    window_ = ::CreateWindowExW(0, kDispatcherClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr)
        return;
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
}

Win32Dispatcher::~Win32Dispatcher() {
    if (window_ != nullptr) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
    std::deque<Task> dropped;
    {
        const std::lock_guard guard(lock_);
        dropped.swap(tasks_);
    }
    // Destroyed outside the lock: a Send waiting for one of them is released.
}

void Win32Dispatcher::Post(Task task) {
    const std::lock_guard guard(lock_);
    if (window_ == nullptr)
        return;
    tasks_.push_back(std::move(task));
    if (!wakePosted_)
        wakePosted_ = ::PostMessageW(window_, kRunTasks, 0, 0) != FALSE;
}

bool Win32Dispatcher::DoSend(Task task) {
    auto completion = std::make_shared<Completion>();
    Post([notice = std::make_shared<DropNotice>(completion), task = std::move(task)] {
        task();
        notice->Ran();
    });
    return completion->Wait();
}

bool Win32Dispatcher::OnDialogThread() const {
    return ::GetCurrentThreadId() == threadId_;
}

LRESULT CALLBACK Win32Dispatcher::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32Dispatcher*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == kRunTasks && self != nullptr) {
        self->RunQueued();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void Win32Dispatcher::RunQueued() {
    {
        const std::lock_guard guard(lock_);
        wakePosted_ = false;
    }
    // One at a time with the lock released: a task may post, send from another thread, or run
    // a nested message loop that comes back here.
    for (;;) {
        Task task;
        {
            const std::lock_guard guard(lock_);
            if (tasks_.empty())
                return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

}  // namespace zav::platform::win32
