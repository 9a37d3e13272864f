// Files on Win32: the files contract on the disk, where a reader that does not share deletion
// keeps a replacement from taking the file's place; and no device is replaced.

#include <windows.h>
#undef DeleteFile
#undef ReplaceFile

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/win32/win32_file_system.h"
#include "tests/contracts/files_contract.h"

namespace zav::platform::contracts {
namespace {

class Win32Backend : public DiskFolder {
  public:
    FileSystem& Files() { return files_; }

    FileStatus ReplaceBroken(std::string_view hostPath,
                             std::span<const std::span<const std::uint8_t>> pieces) {
        const HANDLE reader = ::CreateFileW(std::filesystem::path(hostPath).c_str(), GENERIC_READ,
                                            FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(reader, INVALID_HANDLE_VALUE);
        const FileStatus status = files_.ReplaceFile(hostPath, pieces);
        ::CloseHandle(reader);
        return status;
    }
    static constexpr ExpectedFailure kBrokenReplace{FileError::AccessDenied, "cannot replace"};
    // "<name>.<process id>-<counter>.tmp"
    static constexpr std::array<std::string_view, 2> kTemporaryNames = {"cfff6.wax.12-3.tmp",
                                                                        "cfff6.wax.4-56.tmp"};
    static constexpr std::array<std::string_view, 3> kLookalikes = {
        "cfff6.wax.12-.tmp", "cfff6.wax.12-3.tmp.x", "cfff7.wax.12-3.tmp"};
    static constexpr std::array<SkippedCase, 0> kSkipped{};

  private:
    win32::Win32FileSystem files_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FilesContract, Win32Backend);

TEST(Win32FileSystem, NoDeviceIsReplaced) {
    const FileBytes bytes{1, 2};
    const std::array<std::span<const std::uint8_t>, 1> pieces = {bytes};
    EXPECT_EQ(win32::Win32FileSystem().ReplaceFile("NUL", pieces).error, FileError::NotRegularFile);
}

}  // namespace
}  // namespace zav::platform::contracts
