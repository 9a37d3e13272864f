#pragma once
// The system calls PosixFileSystem makes to replace a file, behind a seam so that tests can
// make any one of them fail as a full disk or a failing device would. The default makes the
// real calls.
//
// Thread: any; the calls share no state.

#include <sys/types.h>

#include <cstddef>

namespace zav::platform {

class PosixCalls {
  public:
    virtual ~PosixCalls() = default;
    // As ::write, ::fsync, ::close and ::rename: -1 with errno set on failure.
    virtual ssize_t Write(int fd, const void* data, std::size_t count);
    virtual int Fsync(int fd);
    virtual int Close(int fd);
    virtual int Rename(const char* from, const char* to);

    // The real calls.
    static PosixCalls& System();
};

}  // namespace zav::platform
