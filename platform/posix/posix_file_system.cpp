#include "platform/posix/posix_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace zav::platform {

namespace {

// Closes a descriptor on every path out of a function.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd, PosixCalls& calls = PosixCalls::System())
        : fd_(fd), calls_(calls) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);  // nothing to report on the way out of a failure
    }
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Closes now, so that a failing close can be reported.
    int Close() { return calls_.Close(std::exchange(fd_, -1)); }

  private:
    int fd_;
    PosixCalls& calls_;
};

FileStatus ErrnoStatus(int error, std::string_view what, const std::string& path) {
    FileError kind = FileError::IoError;
    if (error == ENOENT || error == ENOTDIR)
        kind = FileError::NotFound;
    if (error == EACCES || error == EPERM || error == EROFS)
        kind = FileError::AccessDenied;
    return {kind, std::string(what) + " " + path + ": " + std::strerror(error)};
}

// Reads until count bytes have arrived or the file ends.
FileStatus ReadFully(int fd, const std::string& path, std::uint64_t count,
                     std::vector<std::uint8_t>& data) {
    data.resize(static_cast<std::size_t>(count));
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t got = ::read(fd, data.data() + done, data.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return ErrnoStatus(errno, "cannot read", path);
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    data.resize(done);
    return {};
}

FileStatus WriteFully(PosixCalls& calls, int fd, const std::string& path,
                      std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = calls.Write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return ErrnoStatus(errno, "cannot write", path);
        done += static_cast<std::size_t>(put);
    }
    return {};
}

}  // namespace

FileStatus PosixFileSystem::ReadFile(std::string_view hostPath, std::uint64_t maxBytes,
                                     std::vector<std::uint8_t>& data) {
    data.clear();
    const std::string path = NativePath(hostPath);
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.Valid())
        return ErrnoStatus(errno, "cannot open", path);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        return ErrnoStatus(errno, "cannot read", path);
    if (!S_ISREG(info.st_mode))
        return {FileError::IoError, path + " is not a regular file"};
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        return {FileError::TooLarge, path + " is too large"};
    }
    return ReadFully(file.Get(), path, static_cast<std::uint64_t>(info.st_size), data);
}

FileStatus PosixFileSystem::ReadPrefix(std::string_view hostPath, std::uint64_t maxBytes,
                                       std::vector<std::uint8_t>& data) {
    data.clear();
    const std::string path = NativePath(hostPath);
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.Valid())
        return ErrnoStatus(errno, "cannot open", path);
    return ReadFully(file.Get(), path, maxBytes, data);
}

FileStatus PosixFileSystem::ReplaceFile(std::string_view hostPath,
                                        std::span<const std::span<const std::uint8_t>> pieces) {
    const std::string path = NativePath(hostPath);
    // mkstemp makes a unique name in the same folder, so the rename below cannot cross file
    // systems and no other writer's temporary file is touched.
    std::string temporary = path + ".XXXXXX";
    FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC), calls_);
    if (!file.Valid())
        return ErrnoStatus(errno, "cannot create", path);

    FileStatus status;
    for (std::span<const std::uint8_t> piece : pieces) {
        status = WriteFully(calls_, file.Get(), temporary, piece);
        if (!status.Ok())
            break;
    }
    // mkstemp creates the file readable by its owner only; give it the usual permissions.
    if (status.Ok() && ::fchmod(file.Get(), 0644) != 0) {
        status = ErrnoStatus(errno, "cannot set permissions of", temporary);
    }
    if (status.Ok() && calls_.Fsync(file.Get()) != 0) {
        status = ErrnoStatus(errno, "cannot flush", temporary);
    }
    if (status.Ok() && file.Close() != 0)
        status = ErrnoStatus(errno, "cannot close", temporary);
    if (status.Ok() && calls_.Rename(temporary.c_str(), path.c_str()) != 0) {
        status = ErrnoStatus(errno, "cannot replace", path);
    }
    if (!status.Ok())
        ::unlink(temporary.c_str());
    return status;
}

FileStatus PosixFileSystem::DeleteFile(std::string_view hostPath) {
    const std::string path = NativePath(hostPath);
    if (::unlink(path.c_str()) != 0)
        return ErrnoStatus(errno, "cannot delete", path);
    return {};
}

}  // namespace zav::platform
