#pragma once
// Files on Win32. A file is replaced by writing a temporary file in the same folder, flushing it
// to the disk and moving it over the old one with MoveFileEx (replace existing, write through),
// so that a reader sees either the old content or the new, never a part of it. A temporary file
// is named after its target: "cfff6.wax.<process id>-<counter>.tmp". Only files on a disk are
// read or replaced (GetFileType), never a pipe, console or device.
//
// Thread: any; the calls share no state.

#include "platform/files/files.h"

namespace zav::platform::win32 {

class Win32FileSystem final : public FileSystem {
  public:
    FileStatus ReadFile(std::string_view hostPath, std::uint64_t maxBytes,
                        std::vector<std::uint8_t>& data) override;
    FileStatus ReadPrefix(std::string_view hostPath, std::uint64_t maxBytes,
                          std::vector<std::uint8_t>& data) override;
    FileStatus ReplaceFile(std::string_view hostPath,
                           std::span<const std::span<const std::uint8_t>> pieces) override;
    FileStatus DeleteFile(std::string_view hostPath) override;
    FileStatus RemoveStaleTemporaries(std::string_view hostPath) override;
};

}  // namespace zav::platform::win32
