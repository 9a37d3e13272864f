#pragma once
// Files on a POSIX file system. Host paths become native ones with NativePath.

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

  private:
    PosixCalls& calls_;
};

}  // namespace zav::platform
