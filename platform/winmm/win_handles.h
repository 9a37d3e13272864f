#pragma once
// Owners of the kernel and COM objects the WinMM backend holds: an event, and a COM interface
// pointer. Each releases its object when it goes.
//
// Thread: an event may be signalled and waited on from any thread; the owner is made and
// destroyed by one.

#include <windows.h>

#include <memory>

namespace zav::platform::winmm {

// An auto-reset event, unsignalled at first. Valid() is false when the system had none to give.
class EventHandle {
  public:
    EventHandle() : handle_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~EventHandle() {
        if (handle_ != nullptr)
            ::CloseHandle(handle_);
    }
    EventHandle(const EventHandle&) = delete;
    EventHandle& operator=(const EventHandle&) = delete;

    bool Valid() const { return handle_ != nullptr; }
    HANDLE Get() const { return handle_; }
    void Signal() const { ::SetEvent(handle_); }

  private:
    HANDLE handle_;
};

// Releases a COM interface (IDirectSound ...) once.
struct ComRelease {
    template <typename Interface>
    void operator()(Interface* object) const {
        object->Release();
    }
};
template <typename Interface>
using ComPtr = std::unique_ptr<Interface, ComRelease>;

}  // namespace zav::platform::winmm
