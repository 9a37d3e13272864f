#pragma once
// The few file operations the programs need, behind an interface so that tests can inject
// faults. Paths arrive in the host's form, as the registry stores them (backslash separators,
// "C:\APPS\SYS\cfff6.wax"); a backend turns them into its native form with NativePath.
//
// Thread: any; the calls share no state.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zav::platform {

enum class FileError {
    None,
    NotFound,        // no such file or folder
    AccessDenied,    // permissions
    TooLarge,        // longer than the caller's limit
    NotRegularFile,  // a folder, FIFO, device or socket: refused without reading or replacing it
    IoError,         // any other failure of the system call
};

struct FileStatus {
    FileError error = FileError::None;
    std::string detail;  // the system's own text, for messages; empty on success

    bool Ok() const { return error == FileError::None; }
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Reads the whole file into data. Only a regular file is read: anything else (a FIFO, a
    // device, a folder) is refused with NotRegularFile without waiting for a writer. A file
    // longer than maxBytes is refused with TooLarge before anything is read, so memory stays
    // bounded by the caller's limit.
    virtual FileStatus ReadFile(std::string_view hostPath, std::uint64_t maxBytes,
                                std::vector<std::uint8_t>& data) = 0;

    // Reads at most maxBytes from the start of the file (fewer when the file is shorter).
    // Refuses what is not a regular file, as ReadFile does.
    virtual FileStatus ReadPrefix(std::string_view hostPath, std::uint64_t maxBytes,
                                  std::vector<std::uint8_t>& data) = 0;

    // Writes the pieces, in order, as the whole new content of the file. The content goes to a
    // temporary file in the same folder, which replaces the old file only once every byte is
    // written and flushed; on any failure the old file is left as it was and no temporary file
    // stays behind (on POSIX also when SIGTERM, SIGINT or SIGHUP ends the process meanwhile,
    // unless the program handles or ignores that signal itself).
    // A path that names a symbolic link replaces the link's target, in the target's folder; the
    // link stays. A target that exists and is not a regular file is refused with NotRegularFile
    // and left alone. A replaced file keeps its permissions; a new one gets the system's
    // defaults (on POSIX, 0666 less the umask).
    virtual FileStatus ReplaceFile(std::string_view hostPath,
                                   std::span<const std::span<const std::uint8_t>> pieces) = 0;

    virtual FileStatus DeleteFile(std::string_view hostPath) = 0;

    // Removes the temporary files that ReplaceFile(hostPath, ...) left behind when its process
    // was killed in a way it could not clean up after (SIGKILL, a power cut): only files whose
    // names are the file's own name followed by this backend's temporary suffix, in the folder
    // ReplaceFile writes them to. A replacement of the same file running in another process at
    // that moment would fail, so call it only where no other process writes the file. A missing
    // folder is no failure; the first other failure is returned, after trying every file.
    virtual FileStatus RemoveStaleTemporaries(std::string_view hostPath) = 0;
};

// The temporary files of the POSIX and in-memory file systems are named after the file they
// replace: its name, '.', and kTemporarySuffixLength letters or digits ("cfff6.wax.a8Zk3Q").
inline constexpr std::size_t kTemporarySuffixLength = 6;

// Whether name (a bare file name) is such a temporary file of the file named targetName.
bool IsTemporaryName(std::string_view name, std::string_view targetName);

// The host's path as a native one: on Linux every backslash is a directory separator
// ("/home/u/sys" + "\cfff6.wax" is "/home/u/sys/cfff6.wax"). Nothing else changes, and on
// Windows nothing changes at all.
std::string NativePath(std::string_view hostPath);

}  // namespace zav::platform
