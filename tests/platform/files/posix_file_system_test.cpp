#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/posix/posix_file_system.h"

namespace {

namespace fs = std::filesystem;
using zav::platform::FileError;
using zav::platform::NativePath;
using zav::platform::PosixFileSystem;
using Bytes = std::vector<std::uint8_t>;

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

class PosixFileSystemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zav-files-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override { fs::remove_all(folder); }

    Bytes Content(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> Entries() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
    zav::platform::FileStatus Replace(const std::string& hostPath, const Bytes& a, const Bytes& b) {
        const std::span<const std::uint8_t> pieces[] = {a, b};
        return files.ReplaceFile(hostPath, pieces);
    }

    fs::path folder;
    PosixFileSystem files;
};

TEST_F(PosixFileSystemTest, ReplaceWritesThePiecesInOrderUnderAHostPath) {
    const std::string hostPath = folder.string() + "\\cfff6.wax";
    ASSERT_TRUE(Replace(hostPath, {1, 2}, {3}).Ok());
    EXPECT_EQ(Content(folder / "cfff6.wax"), (Bytes{1, 2, 3}));
    ASSERT_TRUE(Replace(hostPath, {9}, {}).Ok());
    EXPECT_EQ(Content(folder / "cfff6.wax"), (Bytes{9}));
    EXPECT_EQ(Entries(), std::vector<std::string>{"cfff6.wax"});
}

TEST_F(PosixFileSystemTest, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    const fs::path target = folder / "cfff7.wax";
    ASSERT_TRUE(Replace(target.string(), {1, 2, 3}, {}).Ok());

    // A file-size limit makes write() fail part-way, as a full disk would.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const zav::platform::FileStatus status = Replace(target.string(), Bytes(600, 7), Bytes(600, 8));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(status.Ok());
    EXPECT_EQ(status.error, FileError::IoError);
    EXPECT_FALSE(status.detail.empty());
    EXPECT_EQ(Content(target), (Bytes{1, 2, 3}));
    EXPECT_EQ(Entries(), std::vector<std::string>{"cfff7.wax"});
}

TEST_F(PosixFileSystemTest, ReplaceInAMissingFolderFailsAsNotFound) {
    const zav::platform::FileStatus status =
        Replace((folder / "missing" / "x.wax").string(), {1}, {});
    EXPECT_EQ(status.error, FileError::NotFound);
}

TEST_F(PosixFileSystemTest, ReadFileRefusesFilesOverTheLimitBeforeReading) {
    ASSERT_TRUE(Replace((folder / "a.bin").string(), Bytes(100, 1), {}).Ok());
    Bytes data;
    EXPECT_EQ(files.ReadFile((folder / "a.bin").string(), 99, data).error, FileError::TooLarge);
    EXPECT_TRUE(data.empty());
    EXPECT_TRUE(files.ReadFile((folder / "a.bin").string(), 100, data).Ok());
    EXPECT_EQ(data.size(), 100u);
    EXPECT_EQ(files.ReadFile(folder.string(), 100, data).error, FileError::NotRegularFile)
        << "a folder is not a file";
}

TEST_F(PosixFileSystemTest, ReadPrefixStopsAtTheLimitOrTheEnd) {
    ASSERT_TRUE(Replace((folder / "setup.zav").string(), Bytes(300, 5), {}).Ok());
    Bytes data;
    ASSERT_TRUE(files.ReadPrefix(folder.string() + "\\setup.zav", 280, data).Ok());
    EXPECT_EQ(data.size(), 280u);
    ASSERT_TRUE(files.ReadPrefix(folder.string() + "\\setup.zav", 1000, data).Ok());
    EXPECT_EQ(data.size(), 300u);
    EXPECT_EQ(files.ReadPrefix(folder.string() + "\\none.zav", 10, data).error,
              FileError::NotFound);
}

TEST_F(PosixFileSystemTest, DeleteReportsAMissingFile) {
    ASSERT_TRUE(Replace((folder / "b.wax").string(), {1}, {}).Ok());
    EXPECT_TRUE(files.DeleteFile(folder.string() + "\\b.wax").Ok());
    EXPECT_EQ(files.DeleteFile(folder.string() + "\\b.wax").error, FileError::NotFound);
    EXPECT_TRUE(Entries().empty());
}

}  // namespace
