#include "platform/posix/posix_calls.h"

#include <unistd.h>

#include <cstdio>

namespace zav::platform {

ssize_t PosixCalls::Write(int fd, const void* data, std::size_t count) {
    return ::write(fd, data, count);
}

int PosixCalls::Fsync(int fd) {
    return ::fsync(fd);
}

int PosixCalls::Close(int fd) {
    return ::close(fd);
}

int PosixCalls::Rename(const char* from, const char* to) {
    return ::rename(from, to);
}

PosixCalls& PosixCalls::System() {
    static PosixCalls calls;
    return calls;
}

}  // namespace zav::platform
