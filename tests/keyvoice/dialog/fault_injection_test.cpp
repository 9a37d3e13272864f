// Faults injected under KeyVoice: a file that cannot be written, flushed, closed or renamed, a
// full disk, a store that cannot be opened or is locked by another writer, a device that fails
// or stalls in the middle of a sound or a take, and a mixer that goes away. In each the user
// sees the program's message (or none, where the program has none), the program goes on, and
// the earlier recording survives.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "keyvoice_rig.h"
#include "platform/posix/posix_calls.h"
#include "platform/posix/posix_file_system.h"
#include "platform/sqlite/sqlite_registry.h"
#include "tests/platform/registry/temp_folder.h"

namespace keyvoice_test {
namespace {

using Bytes = std::vector<std::uint8_t>;

enum class Step { Write, Fsync, Close, Rename };

// The real calls, but for one that fails with a given errno while armed.
class FailingCalls : public platform::PosixCalls {
  public:
    void Arm(Step step, int error) {
        step_ = step;
        error_ = error;
        armed_ = true;
    }
    ssize_t Write(int fd, const void* data, std::size_t count) override {
        return Fails(Step::Write) ? -1 : PosixCalls::Write(fd, data, count);
    }
    int Fsync(int fd) override { return Fails(Step::Fsync) ? -1 : PosixCalls::Fsync(fd); }
    int Close(int fd) override {
        if (Fails(Step::Close)) {
            PosixCalls::Close(fd);  // the descriptor is gone all the same, as on a real failure
            errno = error_;
            return -1;
        }
        return PosixCalls::Close(fd);
    }
    int Rename(const char* from, const char* to) override {
        return Fails(Step::Rename) ? -1 : PosixCalls::Rename(from, to);
    }

  private:
    bool Fails(Step step) {
        if (!armed_ || step != step_)
            return false;
        errno = error_;
        return true;
    }
    Step step_ = Step::Write;
    int error_ = 0;
    bool armed_ = false;
};

Bytes ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(file), {}};
}

// Key 6 holds an earlier recording; a new take of it is made and OK is pressed.
struct EarlierKey6 {
    std::string path;
    Bytes file;
    std::string value;
};

EarlierKey6 StoreEarlierKey6(platform::RegistryStore& store, platform::FileSystem& files,
                             std::string_view sysPath) {
    EarlierKey6 earlier;
    earlier.path = std::string(sysPath) + "\\cfff6.wax";
    PutWax(files, earlier.path, Tone(2.0, 300, 7000));
    files.ReadFile(earlier.path, 1 << 20, earlier.file);
    earlier.value = "6,0," + earlier.path;
    SetZavValue(store, "Key6Info", earlier.value);
    return earlier;
}

void RecordKey6(KeyVoiceRig& rig) {
    rig.Click(kIdcKey6);
    rig.Click(kIdcRec);
    rig.Advance(2100);
    ASSERT_TRUE(rig.Recordable(0).newRecording);
}

TEST(FaultInjection, AFileThatCannotBeWrittenKeepsTheEarlierRecording) {
    struct Case {
        const char* what;
        Step step;
        int error;
    };
    const Case cases[] = {
        {"the disk is full", Step::Write, ENOSPC},  {"a write fails", Step::Write, EIO},
        {"the flush fails", Step::Fsync, EIO},      {"the close fails", Step::Close, EIO},
        {"the rename fails", Step::Rename, EACCES},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::string data = (folder.Path() / "data").string() + "/";
        const std::string sys = (folder.Path() / "sys").string();
        std::filesystem::create_directories(folder.Path() / "data");
        std::filesystem::create_directories(sys);
        FailingCalls calls;
        platform::PosixFileSystem files(calls);
        KeyVoiceRig rig(RigOptions{.card = {}, .installed = false});
        rig.Install(nullptr, &files, data, sys);
        rig.filesInUse = &files;
        const EarlierKey6 earlier = StoreEarlierKey6(rig.store, files, sys);
        ASSERT_TRUE(rig.Open());
        RecordKey6(rig);

        calls.Arm(c.step, c.error);
        rig.window->PressEnter();
        EXPECT_EQ(rig.window->Result(), zav::platform::kIdOk);
        EXPECT_EQ(rig.Texts(),
                  std::vector<std::string>{"There was a voice recording write error to key 6."});
        EXPECT_EQ(ReadBytes(std::filesystem::path(sys) / "cfff6.wax"), earlier.file);
        EXPECT_EQ(ZavText(rig.store, "Key6Info"), earlier.value);
        EXPECT_FALSE(ZavText(rig.store, "Key6Pending").has_value());
        // No half-written file is left beside it.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sys), {}), 1);
    }
}

TEST(FaultInjection, AStoreThatCannotBeOpenedMeansNoInstallation) {
    TempFolder folder;
    std::ofstream(folder.Path() / "not-a-folder") << "x";
    platform::SqliteRegistry store((folder.Path() / "not-a-folder" / "store.sqlite").string());
    KeyVoiceRig rig;
    rig.storeInUse = &store;
    EXPECT_FALSE(rig.Open());
    EXPECT_EQ(rig.Texts(), std::vector<std::string>{"Zav was not installed."});
}

TEST(FaultInjection, AStoreLockedByAnotherWriterStoresNothingAndSaysSo) {
    TempFolder folder;
    const std::string path = (folder.Path() / "store.sqlite").string();
    platform::SqliteRegistry store(path, 200);  // a short wait for the other writer
    KeyVoiceRig rig(RigOptions{.card = {}, .installed = false});
    rig.Install(&store);
    rig.storeInUse = &store;
    const EarlierKey6 earlier = StoreEarlierKey6(store, rig.files, kSysPath);
    ASSERT_TRUE(rig.Open());
    RecordKey6(rig);

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    rig.window->PressEnter();
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    EXPECT_EQ(rig.Texts(),
              std::vector<std::string>{"There was a voice recording write error to key 6."});
    EXPECT_EQ(*rig.files.Find(earlier.path), earlier.file);
    EXPECT_EQ(ZavText(store, "Key6Info"), earlier.value);
    // The installation's seven files, then the new file, which was put back when its value could
    // not be written either.
    EXPECT_EQ(rig.files.ReplaceCalls(), 9);
}

// Another program holds the store: while it only writes, KeyVoice reads what was committed and
// starts; while it keeps the file to itself, KeyVoice shows the host's message and says on the
// terminal that the store is busy, not missing.
TEST(FaultInjection, AStoreHeldByAnotherProgramIsReadOrReportedBusy) {
    struct Case {
        const char* what;
        const char* hold;
        bool starts;
    };
    const Case cases[] = {
        {"another program writes", "BEGIN EXCLUSIVE; DELETE FROM key_values", true},
        {"another program keeps the file to itself",
         "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; DELETE FROM key_values", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::string path = (folder.Path() / "store.sqlite").string();
        platform::SqliteRegistry store(path, 200);  // a short wait for the other program
        KeyVoiceRig rig(RigOptions{.card = {}, .installed = false});
        rig.Install(&store);
        rig.storeInUse = &store;

        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, c.hold, nullptr, nullptr, nullptr), SQLITE_OK);
        testing::internal::CaptureStderr();
        const bool started = rig.Open();
        const std::string err = testing::internal::GetCapturedStderr();
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);

        EXPECT_EQ(started, c.starts);
        if (c.starts) {
            EXPECT_TRUE(rig.Texts().empty());
            EXPECT_EQ(err, "");
        } else {
            EXPECT_EQ(rig.Texts(), std::vector<std::string>{"Zav was not installed."});
            EXPECT_EQ(err.rfind("keyvoice: cannot read the settings store: the store is busy", 0),
                      0u)
                << err;
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        }
    }
}

TEST(FaultInjection, ADeviceThatFailsOrStallsMidSoundOrMidTakeLeavesKeyVoiceAnswering) {
    KeyVoiceRig rig;
    const EarlierKey6 earlier = StoreEarlierKey6(rig.store, rig.files, kSysPath);
    ASSERT_TRUE(rig.Open());
    rig.Click(kIdcKey4);

    // The device fails: the sound ends there.
    rig.Click(kIdcPlay);
    rig.Advance(200);
    rig.card.BreakOpenDevices();
    rig.Advance(100);
    EXPECT_EQ(rig.dialog->StateOfKey(rig.dialog->CurrentKey()), KeyState::Idle);
    EXPECT_TRUE(rig.Enabled(kIdcPlay));

    // The device stalls (its end never comes): STOP still ends the sound.
    rig.Click(kIdcPlay);
    rig.Advance(200);
    rig.card.StallDevices(true);
    rig.Advance(5000);
    EXPECT_EQ(rig.dialog->StateOfKey(rig.dialog->CurrentKey()), KeyState::Playing);
    ASSERT_TRUE(rig.Click(kIdcStop));
    EXPECT_EQ(rig.dialog->StateOfKey(rig.dialog->CurrentKey()), KeyState::Idle);
    EXPECT_EQ(rig.card.OpenOutputCount(), 0u);
    rig.card.StallDevices(false);
    EXPECT_TRUE(rig.boxes.shown.empty());

    // A take whose device stalls ends on STOP and keeps the stored recording.
    rig.Click(kIdcKey6);
    rig.Click(kIdcRec);
    rig.Advance(500);
    rig.card.StallDevices(true);
    rig.Advance(5000);  // the buffer never fills
    ASSERT_TRUE(rig.Click(kIdcStop));
    rig.Advance(10);
    EXPECT_EQ(rig.dialog->StateOfKey(rig.dialog->CurrentKey()), KeyState::Idle);
    EXPECT_EQ(rig.card.OpenInputCount(), 0u);
    EXPECT_TRUE(rig.Recordable(0).StoredRecording());
    EXPECT_TRUE(rig.Recordable(0).newRecording);  // the half second recorded is the take
    EXPECT_EQ(ZavText(rig.store, "Key6Info"), earlier.value);
}

TEST(FaultInjection, AMixerThatGoesAwayLeavesTheSliderAndTheDialogWorking) {
    KeyVoiceRig rig;
    ASSERT_TRUE(rig.Open());
    rig.Click(kIdcKey1);
    const int thumb = rig.View().GetSliderPos(kIdcRecordVolume);
    rig.mixer.Disappear();
    rig.dispatcher.RunPending();  // its line changes arrive
    EXPECT_EQ(rig.View().GetSliderPos(kIdcRecordVolume), thumb);
    rig.window->MoveSlider(kIdcRecordVolume, 1000);  // sets nothing, says nothing
    rig.Click(kIdcPlay);
    rig.Advance(1000);
    rig.window->PressEnter();
    EXPECT_EQ(rig.window->Result(), zav::platform::kIdOk);
    EXPECT_TRUE(rig.boxes.shown.empty());
}

}  // namespace
}  // namespace keyvoice_test
