#pragma once
// Files on a POSIX file system. Host paths become native ones with NativePath.

#include "platform/files/files.h"

namespace zav::platform {

class PosixFileSystem : public FileSystem {
  public:
    FileStatus ReadFile(std::string_view hostPath, std::uint64_t maxBytes,
                        std::vector<std::uint8_t>& data) override;
    FileStatus ReadPrefix(std::string_view hostPath, std::uint64_t maxBytes,
                          std::vector<std::uint8_t>& data) override;
    FileStatus ReplaceFile(std::string_view hostPath,
                           std::span<const std::span<const std::uint8_t>> pieces) override;
    FileStatus DeleteFile(std::string_view hostPath) override;
};

}  // namespace zav::platform
