#pragma once
// An open registry key of the host's, closed when the handle goes.
//
// Thread: one at a time.

#include <windows.h>

#include <utility>

namespace zav::platform::win32 {

class RegistryHandle {
  public:
    RegistryHandle() = default;
    RegistryHandle(const RegistryHandle&) = delete;
    RegistryHandle& operator=(const RegistryHandle&) = delete;
    ~RegistryHandle() {
        if (key_ != nullptr)
            ::RegCloseKey(key_);
    }

    HKEY Get() const { return key_; }
    // For the calls that open a key into an HKEY*: the handle must be empty.
    HKEY* Receive() { return &key_; }

  private:
    HKEY key_ = nullptr;
};

}  // namespace zav::platform::win32
