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
    NotFound,      // no such file or folder
    AccessDenied,  // permissions
    TooLarge,      // longer than the caller's limit
    IoError,       // any other failure of the system call
};

struct FileStatus {
    FileError error = FileError::None;
    std::string detail;  // the system's own text, for messages; empty on success

    bool Ok() const { return error == FileError::None; }
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Reads the whole file into data. A file longer than maxBytes is refused with TooLarge
    // before anything is read, so memory stays bounded by the caller's limit.
    virtual FileStatus ReadFile(std::string_view hostPath, std::uint64_t maxBytes,
                                std::vector<std::uint8_t>& data) = 0;

    // Reads at most maxBytes from the start of the file (fewer when the file is shorter).
    virtual FileStatus ReadPrefix(std::string_view hostPath, std::uint64_t maxBytes,
                                  std::vector<std::uint8_t>& data) = 0;

    // Writes the pieces, in order, as the whole new content of the file. The content goes to a
    // temporary file in the same folder, which replaces the old file only once every byte is
    // written and flushed; on any failure the old file is left as it was and no temporary file
    // stays behind.
    virtual FileStatus ReplaceFile(std::string_view hostPath,
                                   std::span<const std::span<const std::uint8_t>> pieces) = 0;

    virtual FileStatus DeleteFile(std::string_view hostPath) = 0;
};

// The host's path as a native one: on Linux every backslash is a directory separator
// ("/home/u/sys" + "\cfff6.wax" is "/home/u/sys/cfff6.wax"). Nothing else changes, and on
// Windows nothing changes at all.
std::string NativePath(std::string_view hostPath);

}  // namespace zav::platform
