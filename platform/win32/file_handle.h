#pragma once
// An open Win32 file, closed when the handle goes.
//
// Thread: one at a time.

#include <windows.h>

#include <utility>

namespace zav::platform::win32 {

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (Valid())
            ::CloseHandle(handle_);
    }

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    // Closes now, so that a failing close can be reported.
    bool Close() {
        if (!Valid())
            return true;
        return ::CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != FALSE;
    }

  private:
    HANDLE handle_;
};

}  // namespace zav::platform::win32
