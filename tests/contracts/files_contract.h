#pragma once
// What every FileSystem does alike, run on the POSIX and in-memory file systems
// (tests/platform/files) and on Win32 (tests/backends/win32), with host paths. A backend gives:
//   FileSystem& Files();  std::string Folder();  (a folder of its own, empty at first)
//   std::vector<std::string> Names();  (that folder's entries, sorted)
//   void MakeFolder(std::string_view name);  (in that folder)
//   FileStatus ReplaceBroken(hostPath, pieces);  (ReplaceFile, failing as on a full disk or a
//       busy file) and kBrokenReplace, what that gives
//   kTemporaryNames, kLookalikes: names ReplaceFile's temporary files of "cfff6.wax" take (two
//       at least), and names they do not; kSkipped: the cases it cannot run (skipped_cases.h)

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/files.h"
#include "tests/contracts/skipped_cases.h"
#include "tests/platform/registry/temp_folder.h"

namespace zav::platform::contracts {

using FileBytes = std::vector<std::uint8_t>;

struct ExpectedFailure {
    FileError error;
    std::string_view text;  // a part of the status's detail
};

// A folder of the test's own on the disk.
class DiskFolder {
  public:
    std::string Folder() const { return folder_.Path().string(); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    void MakeFolder(std::string_view name) {
        std::filesystem::create_directory(folder_.Path() / name);
    }

  private:
    TempFolder folder_;
};

// The temporary names of files.h, which the POSIX and in-memory file systems share.
struct SuffixTemporaryNames {
    static constexpr std::array<std::string_view, 3> kTemporaryNames = {
        "cfff6.wax.Folder", "cfff6.wax.Ab12Cd", "cfff6.wax.z9Z9z9"};
    static constexpr std::array<std::string_view, 4> kLookalikes = {
        "cfff6.wax.Ab12C", "cfff6.wax.Ab12Cd.x", "cfff6.wax.Ab-2Cd", "cfff7.wax.Ab12Cd"};
};

template <typename Backend>
class FilesContract : public testing::Test {
  protected:
    void SetUp() override {
        if (const std::string_view why = WhySkipped<Backend>(); !why.empty())
            GTEST_SKIP() << why;
    }

    std::string Path(std::string_view name) { return backend_.Folder() + "\\" + std::string(name); }
    FileStatus Replace(std::string_view name, const FileBytes& first,
                       const FileBytes& second = {}) {
        const std::array<std::span<const std::uint8_t>, 2> pieces = {first, second};
        return backend_.Files().ReplaceFile(Path(name), pieces);
    }
    FileBytes Read(std::string_view name) {
        FileBytes data;
        const FileStatus status = backend_.Files().ReadFile(Path(name), 1 << 20, data);
        EXPECT_TRUE(status.Ok()) << status.detail;
        return data;
    }
    std::vector<std::string> Names() { return backend_.Names(); }

    Backend backend_;
};

TYPED_TEST_SUITE_P(FilesContract);

TYPED_TEST_P(FilesContract, ReplacingWritesThePiecesInOrderAndLeavesNothingElse) {
    ASSERT_TRUE(this->Replace("cfff6.wax", {'R', 'I'}, {'F', 'F', 1}).Ok());
    EXPECT_EQ(this->Read("cfff6.wax"), (FileBytes{'R', 'I', 'F', 'F', 1}));
    ASSERT_TRUE(this->Replace("cfff6.wax", {9}).Ok());
    EXPECT_EQ(this->Read("cfff6.wax"), FileBytes{9});
    ASSERT_TRUE(this->backend_.Files().ReplaceFile(this->Path("empty.reg"), {}).Ok());
    EXPECT_TRUE(this->Read("empty.reg").empty());
    EXPECT_EQ(this->Names(), (std::vector<std::string>{"cfff6.wax", "empty.reg"}));
}

TYPED_TEST_P(FilesContract, AFailedReplacementKeepsTheOldFileAndLeavesNoTemporary) {
    ASSERT_TRUE(this->Replace("cfff7.wax", {1, 2, 3}).Ok());
    const FileBytes first(600, 7);
    const FileBytes second(600, 8);
    const std::array<std::span<const std::uint8_t>, 2> pieces = {first, second};
    const FileStatus status = this->backend_.ReplaceBroken(this->Path("cfff7.wax"), pieces);
    EXPECT_EQ(status.error, TypeParam::kBrokenReplace.error) << status.detail;
    EXPECT_NE(status.detail.find(TypeParam::kBrokenReplace.text), std::string::npos)
        << status.detail;
    EXPECT_NE(status.detail.find("cfff7.wax"), std::string::npos) << status.detail;
    EXPECT_EQ(this->Read("cfff7.wax"), (FileBytes{1, 2, 3}));
    EXPECT_EQ(this->Names(), std::vector<std::string>{"cfff7.wax"});
}

TYPED_TEST_P(FilesContract, ReplacingInAMissingFolderMakesNothing) {
    EXPECT_EQ(this->Replace("missing\\cfff7.wax", {1}).error, FileError::NotFound);
    EXPECT_TRUE(this->Names().empty());
}

TYPED_TEST_P(FilesContract, ReadsKeepToTheCallersLimit) {
    ASSERT_TRUE(this->Replace("setup.zav", {'f', '\r', '\n'}).Ok());
    FileSystem& files = this->backend_.Files();
    FileBytes data{1};
    EXPECT_EQ(files.ReadFile(this->Path("setup.zav"), 2, data).error, FileError::TooLarge);
    EXPECT_TRUE(data.empty());
    ASSERT_TRUE(files.ReadFile(this->Path("setup.zav"), 3, data).Ok());
    EXPECT_EQ(data.size(), 3u);
    ASSERT_TRUE(files.ReadPrefix(this->Path("setup.zav"), 2, data).Ok());
    EXPECT_EQ(data, (FileBytes{'f', '\r'}));
    ASSERT_TRUE(files.ReadPrefix(this->Path("setup.zav"), 100, data).Ok());
    EXPECT_EQ(data, (FileBytes{'f', '\r', '\n'}));
}

TYPED_TEST_P(FilesContract, MissingFilesAreNotFoundAndNamed) {
    FileSystem& files = this->backend_.Files();
    FileBytes data{1};
    const FileStatus missing = files.ReadFile(this->Path("none.wax"), 100, data);
    EXPECT_EQ(missing.error, FileError::NotFound);
    EXPECT_NE(missing.detail.find("none.wax"), std::string::npos) << missing.detail;
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(files.ReadPrefix(this->Path("none.wax"), 10, data).error, FileError::NotFound);
    EXPECT_EQ(files.ReadFile("", 10, data).error, FileError::NotFound);

    ASSERT_TRUE(this->Replace("cfff6.wax", {1}).Ok());
    EXPECT_EQ(this->Replace("cfff6.wax\\cfff7.wax", {2}).error, FileError::NotFound)
        << "a file is no folder";
    EXPECT_TRUE(files.DeleteFile(this->Path("cfff6.wax")).Ok());
    EXPECT_EQ(files.DeleteFile(this->Path("cfff6.wax")).error, FileError::NotFound);
    EXPECT_TRUE(this->Names().empty());
}

TYPED_TEST_P(FilesContract, AFolderIsNeitherReadReplacedNorDeleted) {
    this->backend_.MakeFolder("cfff6.wax");
    const std::vector<std::string> before = this->Names();
    FileSystem& files = this->backend_.Files();
    FileBytes data;
    EXPECT_EQ(files.ReadFile(this->Path("cfff6.wax"), 100, data).error, FileError::NotRegularFile);
    EXPECT_EQ(files.ReadPrefix(this->Path("cfff6.wax"), 100, data).error,
              FileError::NotRegularFile);
    EXPECT_EQ(this->Replace("cfff6.wax", {1}).error, FileError::NotRegularFile);
    EXPECT_EQ(files.DeleteFile(this->Path("cfff6.wax")).error, FileError::NotRegularFile);
    EXPECT_EQ(this->Names(), before);
    EXPECT_EQ(files.ReadFile(this->Path("cfff6.wax"), 100, data).error, FileError::NotRegularFile)
        << "still a folder";
}

TYPED_TEST_P(FilesContract, StaleTemporariesGoAndNothingElse) {
    // A folder with a temporary file's name is not one of ours.
    const std::string folder(TypeParam::kTemporaryNames[0]);
    this->backend_.MakeFolder(folder);
    std::vector<std::string> kept = {"cfff6.wax", folder};
    kept.insert(kept.end(), TypeParam::kLookalikes.begin(), TypeParam::kLookalikes.end());
    ASSERT_TRUE(this->Replace(kept[0], {7}).Ok());
    for (std::string_view name : TypeParam::kLookalikes)
        ASSERT_TRUE(this->Replace(name, {7}).Ok()) << name;
    for (std::string_view name : std::span(TypeParam::kTemporaryNames).subspan(1))
        ASSERT_TRUE(this->Replace(name, {7}).Ok()) << name;

    FileSystem& files = this->backend_.Files();
    ASSERT_TRUE(files.RemoveStaleTemporaries(this->Path("cfff6.wax")).Ok());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(this->Names(), kept);
    EXPECT_TRUE(files.RemoveStaleTemporaries(this->Path("missing\\cfff6.wax")).Ok());
}

REGISTER_TYPED_TEST_SUITE_P(FilesContract, ReplacingWritesThePiecesInOrderAndLeavesNothingElse,
                            AFailedReplacementKeepsTheOldFileAndLeavesNoTemporary,
                            ReplacingInAMissingFolderMakesNothing, ReadsKeepToTheCallersLimit,
                            MissingFilesAreNotFoundAndNamed, AFolderIsNeitherReadReplacedNorDeleted,
                            StaleTemporariesGoAndNothingElse);

}  // namespace zav::platform::contracts
