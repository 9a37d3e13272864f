// The files contract on the POSIX file system, where a file-size limit breaks a replacement as a
// full disk would, and on the in-memory one that the programs' tests write through.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <set>

#include "platform/posix/posix_file_system.h"
#include "platform/testing/memory_file_system.h"
#include "tests/contracts/files_contract.h"

namespace zav::platform::contracts {
namespace {

TEST(NativePath, BackslashesBecomeDirectorySeparators) {
    struct Row {
        const char* host;
        const char* native;
    };
    const Row rows[] = {
        {"/home/u/sys\\cfff6.wax", "/home/u/sys/cfff6.wax"},
        {"\\zav\\data\\cfff1.wax", "/zav/data/cfff1.wax"},
        {"C:\\APPS\\SYS", "C:/APPS/SYS"},
        {"plain/name.wax", "plain/name.wax"},
        {"", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(NativePath(row.host), row.native);
}

class PosixBackend : public DiskFolder, public SuffixTemporaryNames {
  public:
    FileSystem& Files() { return files_; }
    FileStatus ReplaceBroken(std::string_view hostPath,
                             std::span<const std::span<const std::uint8_t>> pieces) {
        struct rlimit saved {};
        EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved;
        small.rlim_cur = 1000;
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const FileStatus status = files_.ReplaceFile(hostPath, pieces);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        return status;
    }
    static constexpr ExpectedFailure kBrokenReplace{FileError::IoError, "cannot write"};
    static constexpr std::array<SkippedCase, 0> kSkipped{};

  private:
    PosixFileSystem files_;
};

class MemoryBackend : public SuffixTemporaryNames {
  public:
    FileSystem& Files() { return files_; }
    std::string Folder() const { return "C:\\zav"; }
    std::vector<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& [key, content] : files_.Files()) {
            if (key.starts_with("C:/zav/"))
                names.insert(key.substr(7, key.find('/', 7) - 7));
        }
        return {names.begin(), names.end()};
    }
    // A folder is there while a file is in it.
    void MakeFolder(std::string_view name) {
        files_.Put(Folder() + "\\" + std::string(name) + "\\inside", {});
    }
    FileStatus ReplaceBroken(std::string_view hostPath,
                             std::span<const std::span<const std::uint8_t>> pieces) {
        files_.FailWritesUnder(hostPath);
        const FileStatus status = files_.ReplaceFile(hostPath, pieces);
        files_.StopFailing();
        return status;
    }
    static constexpr ExpectedFailure kBrokenReplace{FileError::IoError, "cannot write"};
    static constexpr std::array<SkippedCase, 1> kSkipped = {{
        {"ReplacingInAMissingFolderMakesNothing",
         "folders are not kept: every folder a file is written to exists"},
    }};

  private:
    sim::MemoryFileSystem files_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Posix, FilesContract, PosixBackend);
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, FilesContract, MemoryBackend);

}  // namespace
}  // namespace zav::platform::contracts
