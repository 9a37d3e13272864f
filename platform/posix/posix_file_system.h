#pragma once
// Files on a POSIX file system. Host paths become native ones with NativePath. Files are opened
// for reading non-blocking and checked to be regular files before anything is read. A
// replacement's temporary file is removed when SIGTERM, SIGINT or SIGHUP ends the process while
// it is written (see temporary_cleanup.h).

#include "platform/files/files.h"
#include "platform/posix/posix_calls.h"

namespace zav::platform {

class PosixFileSystem : public FileSystem {
  public:
    // calls: where ReplaceFile's system calls go (tests inject failures there); it must
    // outlive the file system.
    explicit PosixFileSystem(PosixCalls& calls = PosixCalls::System()) : calls_(calls) {}

    FileStatus ReadFile(std::string_view hostPath, std::uint64_t maxBytes,
                        std::vector<std::uint8_t>& data) override;
    FileStatus ReadPrefix(std::string_view hostPath, std::uint64_t maxBytes,
                          std::vector<std::uint8_t>& data) override;
    FileStatus ReplaceFile(std::string_view hostPath,
                           std::span<const std::span<const std::uint8_t>> pieces) override;
    FileStatus DeleteFile(std::string_view hostPath) override;
    FileStatus RemoveStaleTemporaries(std::string_view hostPath) override;

  private:
    PosixCalls& calls_;
};

}  // namespace zav::platform
