#include "platform/posix/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>

#include "platform/posix/temporary_cleanup.h"

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
    void Reset(int fd) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    bool Valid() const { return fd_ >= 0; }
    // Closes now, so that a failing close can be reported.
    int Close() { return calls_.Close(std::exchange(fd_, -1)); }

  private:
    int fd_;
    PosixCalls& calls_;
};

FileStatus NotRegularStatus(const std::string& path) {
    return {FileError::NotRegularFile, path + " is not a regular file"};
}

FileStatus ErrnoStatus(int error, std::string_view what, const std::string& path) {
    if (error == EISDIR)
        return NotRegularStatus(path);
    FileError kind = FileError::IoError;
    if (error == ENOENT || error == ENOTDIR)
        kind = FileError::NotFound;
    if (error == EACCES || error == EPERM || error == EROFS)
        kind = FileError::AccessDenied;
    return {kind, std::string(what) + " " + path + ": " + std::strerror(error)};
}

// Opens a file for reading without waiting: opening a FIFO or some devices blocks until a
// writer comes, so the file is opened non-blocking and refused unless it is a regular file.
// Gives the descriptor in fd and the file's size.
FileStatus OpenRegularForReading(const std::string& path, FileDescriptor& fd, std::uint64_t& size) {
    fd.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.Valid())
        return ErrnoStatus(errno, "cannot open", path);
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0)
        return ErrnoStatus(errno, "cannot read", path);
    if (!S_ISREG(info.st_mode))
        return NotRegularStatus(path);
    // Reads of a regular file do not wait anyway; clear the flag so that they behave as usual.
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return ErrnoStatus(errno, "cannot read", path);
    size = static_cast<std::uint64_t>(info.st_size);
    return {};
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

// The file a replacement writes: the path itself, or the file a symbolic link leads to, so
// that the link stays a link. Refuses anything but a regular file. existing is the file's
// status when there is one.
FileStatus ResolveTarget(const std::string& path, std::string& target,
                         std::optional<struct stat>& existing) {
    target = path;
    existing.reset();
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        // A new file; a missing folder is reported when the temporary file cannot be made.
        return errno == ENOENT || errno == ENOTDIR ? FileStatus{}
                                                   : ErrnoStatus(errno, "cannot replace", path);
    }
    if (S_ISLNK(info.st_mode)) {
        const std::unique_ptr<char, decltype(&std::free)> resolved(
            ::realpath(path.c_str(), nullptr), &std::free);
        if (!resolved)
            return ErrnoStatus(errno, "cannot follow the link", path);
        target = resolved.get();
        if (::stat(target.c_str(), &info) != 0)
            return ErrnoStatus(errno, "cannot follow the link", path);
    }
    if (!S_ISREG(info.st_mode)) {
        return {FileError::NotRegularFile, path + " is not a regular file; it was left as it was"};
    }
    existing = info;
    return {};
}

// Creates a new file named path + "." + six letters or digits. The mode 0666 lets the umask
// (or the folder's default permissions) decide who may read a new file.
FileStatus CreateTemporary(const std::string& path, FileDescriptor& fd, std::string& temporary) {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random(std::random_device{}() ^ static_cast<unsigned>(::getpid()));
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        temporary = path + ".";
        for (std::size_t i = 0; i < kTemporarySuffixLength; ++i)
            temporary += kLetters[pick(random)];
        fd.Reset(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.Valid())
            return {};
        if (errno != EEXIST)
            break;
    }
    return ErrnoStatus(errno, "cannot create", path);
}

// Gives the new file the owner (where the process may) and the permissions of the file it
// replaces.
FileStatus KeepOwnerAndMode(int fd, const std::string& temporary, const struct stat& old) {
    struct stat now {};
    if (::fstat(fd, &now) != 0)
        return ErrnoStatus(errno, "cannot read", temporary);
    if (now.st_uid != old.st_uid || now.st_gid != old.st_gid) {
        // Only a privileged process may give a file away; others keep their own.
        (void)::fchown(fd, old.st_uid, old.st_gid);
    }
    if (::fchmod(fd, old.st_mode & 07777) != 0)
        return ErrnoStatus(errno, "cannot set permissions of", temporary);
    return {};
}

// The folder part of a native path, and the name after it.
std::pair<std::string, std::string> SplitFolder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace

FileStatus PosixFileSystem::ReadFile(std::string_view hostPath, std::uint64_t maxBytes,
                                     std::vector<std::uint8_t>& data) {
    data.clear();
    const std::string path = NativePath(hostPath);
    FileDescriptor file(-1);
    std::uint64_t size = 0;
    if (FileStatus opened = OpenRegularForReading(path, file, size); !opened.Ok())
        return opened;
    if (size > maxBytes)
        return {FileError::TooLarge, path + " is too large"};
    return ReadFully(file.Get(), path, size, data);
}

FileStatus PosixFileSystem::ReadPrefix(std::string_view hostPath, std::uint64_t maxBytes,
                                       std::vector<std::uint8_t>& data) {
    data.clear();
    const std::string path = NativePath(hostPath);
    FileDescriptor file(-1);
    std::uint64_t size = 0;
    if (FileStatus opened = OpenRegularForReading(path, file, size); !opened.Ok())
        return opened;
    return ReadFully(file.Get(), path, std::min(maxBytes, size), data);
}

FileStatus PosixFileSystem::ReplaceFile(std::string_view hostPath,
                                        std::span<const std::span<const std::uint8_t>> pieces) {
    const std::string path = NativePath(hostPath);
    std::string target;
    std::optional<struct stat> existing;
    if (FileStatus resolved = ResolveTarget(path, target, existing); !resolved.Ok())
        return resolved;

    // The temporary file sits in the target's folder, so the rename below cannot cross file
    // systems; a signal that ends the process meanwhile removes it.
    TemporaryCleanup cleanup;
    FileDescriptor file(-1, calls_);
    std::string temporary;
    {
        const TerminationSignalsBlocked blocked;
        if (FileStatus created = CreateTemporary(target, file, temporary); !created.Ok())
            return created;
        cleanup.Arm(temporary);
    }

    FileStatus status;
    for (std::span<const std::uint8_t> piece : pieces) {
        status = WriteFully(calls_, file.Get(), temporary, piece);
        if (!status.Ok())
            break;
    }
    if (status.Ok() && existing)
        status = KeepOwnerAndMode(file.Get(), temporary, *existing);
    if (status.Ok() && calls_.Fsync(file.Get()) != 0) {
        status = ErrnoStatus(errno, "cannot flush", temporary);
    }
    if (status.Ok() && file.Close() != 0)
        status = ErrnoStatus(errno, "cannot close", temporary);

    const TerminationSignalsBlocked blocked;
    if (status.Ok() && calls_.Rename(temporary.c_str(), target.c_str()) != 0) {
        status = ErrnoStatus(errno, "cannot replace", path);
    }
    if (!status.Ok())
        ::unlink(temporary.c_str());
    cleanup.Disarm();
    return status;
}

FileStatus PosixFileSystem::DeleteFile(std::string_view hostPath) {
    const std::string path = NativePath(hostPath);
    if (::unlink(path.c_str()) != 0)
        return ErrnoStatus(errno, "cannot delete", path);
    return {};
}

FileStatus PosixFileSystem::RemoveStaleTemporaries(std::string_view hostPath) {
    const std::string path = NativePath(hostPath);
    // ReplaceFile writes beside the file a link leads to.
    std::string target = path;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        const std::unique_ptr<char, decltype(&std::free)> resolved(
            ::realpath(path.c_str(), nullptr), &std::free);
        if (resolved)
            target = resolved.get();
    }
    const auto [folder, name] = SplitFolder(target);
    struct CloseFolder {
        void operator()(DIR* folderStream) const { ::closedir(folderStream); }
    };
    const std::unique_ptr<DIR, CloseFolder> listing(::opendir(folder.c_str()));
    if (!listing) {
        return errno == ENOENT || errno == ENOTDIR ? FileStatus{}
                                                   : ErrnoStatus(errno, "cannot list", folder);
    }
    FileStatus status;
    while (const dirent* entry = ::readdir(listing.get())) {
        if (!IsTemporaryName(entry->d_name, name))
            continue;
        // Only files: a folder or a link of that name is not one of ours.
        struct stat found {};
        if (::fstatat(::dirfd(listing.get()), entry->d_name, &found, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(found.st_mode)) {
            continue;
        }
        if (::unlinkat(::dirfd(listing.get()), entry->d_name, 0) != 0 && status.Ok() &&
            errno != ENOENT) {
            status = ErrnoStatus(errno, "cannot delete", folder + "/" + entry->d_name);
        }
    }
    return status;
}

}  // namespace zav::platform
