// Files on Win32: a replaced file holds either its old content or the new, never a part, and
// no temporary file stays behind, whichever way the replacement ends; reads keep to the
// caller's limit and say what went wrong.

#include <windows.h>
#undef DeleteFile
#undef ReplaceFile

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32/win32_file_system.h"

namespace zav::platform::win32 {
namespace {

namespace fs = std::filesystem;
using ByteVector = std::vector<std::uint8_t>;

class Win32FileSystemTest : public testing::Test {
  protected:
    Win32FileSystemTest()
        : folder_(fs::temp_directory_path() /
                  ("zavfiles-" + std::to_string(::GetCurrentProcessId()))) {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    ~Win32FileSystemTest() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    std::string Path(std::string_view name) const { return (folder_ / name).string(); }

    FileStatus Replace(std::string_view name, const ByteVector& first, const ByteVector& second) {
        const std::array<std::span<const std::uint8_t>, 2> pieces = {first, second};
        return files_.ReplaceFile(Path(name), pieces);
    }

    ByteVector Read(std::string_view name) {
        ByteVector data;
        EXPECT_TRUE(files_.ReadFile(Path(name), 1 << 20, data).Ok());
        return data;
    }

    std::vector<std::string> FolderContents() const {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path folder_;
    Win32FileSystem files_;
};

TEST_F(Win32FileSystemTest, AReplacedFileHoldsTheOldContentOrTheNewAndNothingStaysBehind) {
    const ByteVector old = {'R', 'I', 'F', 'F', 1, 2};
    ASSERT_TRUE(Replace("cfff6.wax", old, {}).Ok());
    EXPECT_EQ(Read("cfff6.wax"), old);

    ASSERT_TRUE(Replace("cfff6.wax", {'R', 'I'}, {'F', 'F', 9}).Ok());
    EXPECT_EQ(Read("cfff6.wax"), (ByteVector{'R', 'I', 'F', 'F', 9}));
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"cfff6.wax"});

    // A reader that does not share deletion keeps the file from being replaced: the old content
    // stays, the error says so, and the temporary file is gone.
    {
        HANDLE reader = ::CreateFileW(fs::path(Path("cfff6.wax")).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        const FileStatus blocked = Replace("cfff6.wax", {1, 2, 3}, {});
        ::CloseHandle(reader);
        EXPECT_FALSE(blocked.Ok());
        EXPECT_NE(blocked.detail.find("cannot replace"), std::string::npos) << blocked.detail;
    }
    EXPECT_EQ(Read("cfff6.wax"), (ByteVector{'R', 'I', 'F', 'F', 9}));
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"cfff6.wax"});

    // No folder to write into: nothing is made.
    EXPECT_EQ(Replace("missing\\cfff7.wax", {1}, {}).error, FileError::NotFound);
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"cfff6.wax"});
}

TEST_F(Win32FileSystemTest, ReadsKeepToTheLimitAndSayWhatWentWrong) {
    ASSERT_TRUE(Replace("setup.zav", {'f', '\r', '\n'}, {}).Ok());
    ByteVector data;
    EXPECT_EQ(files_.ReadFile(Path("setup.zav"), 2, data).error, FileError::TooLarge);
    EXPECT_TRUE(data.empty());
    ASSERT_TRUE(files_.ReadPrefix(Path("setup.zav"), 2, data).Ok());
    EXPECT_EQ(data, (ByteVector{'f', '\r'}));
    ASSERT_TRUE(files_.ReadPrefix(Path("setup.zav"), 100, data).Ok());
    EXPECT_EQ(data.size(), 3u);

    const FileStatus missing = files_.ReadFile(Path("none.wax"), 100, data);
    EXPECT_EQ(missing.error, FileError::NotFound);
    EXPECT_NE(missing.detail.find("none.wax"), std::string::npos) << missing.detail;
    EXPECT_EQ(files_.ReadFile(folder_.string(), 100, data).error, FileError::NotRegularFile);

    EXPECT_TRUE(files_.DeleteFile(Path("setup.zav")).Ok());
    EXPECT_EQ(files_.DeleteFile(Path("setup.zav")).error, FileError::NotFound);
}

TEST_F(Win32FileSystemTest, NoDiskFileIsReplacedAndOnlyOurTemporariesAreSwept) {
    const ByteVector bytes{1, 2};
    const std::array<std::span<const std::uint8_t>, 1> pieces = {bytes};
    EXPECT_EQ(files_.ReplaceFile("NUL", pieces).error, FileError::NotRegularFile);
    EXPECT_EQ(files_.ReplaceFile(folder_.string(), pieces).error, FileError::NotRegularFile);

    for (const char* name : {"cfff6.wax", "cfff6.wax.12-3.tmp", "cfff6.wax.12-.tmp",
                             "cfff6.wax.12-3.tmp.x", "cfff7.wax.12-3.tmp"}) {
        ASSERT_TRUE(Replace(name, {7}, {}).Ok());
    }
    EXPECT_TRUE(files_.RemoveStaleTemporaries(Path("cfff6.wax")).Ok());
    std::vector<std::string> left = FolderContents();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"cfff6.wax", "cfff6.wax.12-.tmp",
                                              "cfff6.wax.12-3.tmp.x", "cfff7.wax.12-3.tmp"}));
}

}  // namespace
}  // namespace zav::platform::win32
