// What only the SQLite file store does: where and when its file appears, what it does with a
// file that is not a store, and sharing the file between processes.

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/sqlite/sqlite_registry.h"
#include "temp_folder.h"

namespace zav::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kKeyPath = "Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0";

std::string ReadWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteWholeFile(const fs::path& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string TextOf(const RegistryValue& value) {
    return std::string(value.data.begin(), value.data.end());
}

RegistryValue Text(std::string_view text) {
    return {ValueType::String, Bytes(text.begin(), text.end())};
}

// Writes a store file that holds our key with these values, and closes it.
void WriteStore(const fs::path& file, const std::vector<NamedValue>& values) {
    SqliteRegistry store(file.string());
    RegistryKey key;
    ASSERT_EQ(store.CreateKey(Hive::LocalMachine, kKeyPath, Access::All, key), RegResult::Success);
    for (const NamedValue& value : values)
        ASSERT_EQ(key.Set(value.name, value.value.type, value.value.data), RegResult::Success);
}

TEST(SqliteRegistry, ReadingNeverCreatesTheFileOrItsFolder) {
    TempFolder folder;
    const fs::path file = folder.Path() / "zav" / "deeper" / "registry.sqlite";
    SqliteRegistry store(file.string());

    RegistryKey key;
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, key),
              RegResult::FileNotFound);
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::All, key),
              RegResult::FileNotFound);
    // The hive's root can be opened without a file; it simply holds nothing yet.
    ASSERT_EQ(store.OpenKey(Hive::LocalMachine, "", Access::All, key), RegResult::Success);
    RegistryValue value;
    std::vector<NamedValue> listed;
    EXPECT_EQ(key.Query("x", value), RegResult::FileNotFound);
    EXPECT_EQ(key.List(listed), RegResult::Success);
    EXPECT_TRUE(listed.empty());
    EXPECT_EQ(key.Delete("x"), RegResult::FileNotFound);

    EXPECT_FALSE(fs::exists(folder.Path() / "zav"));
}

TEST(SqliteRegistry, TheFirstWriteCreatesTheFileAndMissingFolders) {
    TempFolder folder;
    const fs::path file = folder.Path() / "zav" / "deeper" / "registry.sqlite";
    SqliteRegistry store(file.string());

    RegistryKey key;
    ASSERT_EQ(store.CreateKey(Hive::LocalMachine, kKeyPath, Access::All, key), RegResult::Success);
    EXPECT_TRUE(fs::is_regular_file(file));
    ASSERT_EQ(key.SetString("ZavSysPath", "C:\\APPS\\SYS"), RegResult::Success);
    RegistryValue value;
    ASSERT_EQ(key.Query("ZavSysPath", value), RegResult::Success);
    EXPECT_EQ(TextOf(value), "C:\\APPS\\SYS");
}

TEST(SqliteRegistry, ValuesPersistForTheNextStoreOnTheSameFile) {
    TempFolder folder;
    const fs::path file = folder.Path() / "registry.sqlite";
    WriteStore(file, {{"Key8Info", Text("12,2,C:\\APPS\\SYS\\cfff8.wax")},
                      {"MicEnv", {ValueType::Binary, Bytes(40, 0xEE)}}});
    SqliteRegistry reopened(file.string());
    RegistryKey key;
    ASSERT_EQ(reopened.OpenKey(Hive::LocalMachine, "software\\tambori\\zav  - blue hollow -\\2.0",
                               Access::Read, key),
              RegResult::Success);
    std::vector<NamedValue> listed;
    ASSERT_EQ(key.List(listed), RegResult::Success);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].name, "Key8Info");
    EXPECT_EQ(TextOf(listed[0].value), "12,2,C:\\APPS\\SYS\\cfff8.wax");
    EXPECT_EQ(listed[1].name, "MicEnv");
    EXPECT_EQ(listed[1].value, (RegistryValue{ValueType::Binary, Bytes(40, 0xEE)}));
}

TEST(SqliteRegistry, AnEmptyFileIsAnEmptyStore) {
    TempFolder folder;
    const fs::path file = folder.Path() / "registry.sqlite";
    WriteWholeFile(file, "");
    SqliteRegistry store(file.string());
    RegistryKey key;
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, key),
              RegResult::FileNotFound);
    ASSERT_EQ(store.CreateKey(Hive::LocalMachine, kKeyPath, Access::All, key), RegResult::Success);
    EXPECT_EQ(key.SetDword("n", 1), RegResult::Success);
}

TEST(SqliteRegistry, AFileThatIsNoStoreGivesBadDatabaseAndIsLeftAlone) {
    std::string sqliteHeaderThenNoise("SQLite format 3\0", 16);
    sqliteHeaderThenNoise.append(4080, '\xA5');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"text", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n"},
        {"noise after a SQLite header", sqliteHeaderThenNoise},
        {"binary noise", std::string(8192, '\x5A')},
    };
    for (const auto& [label, content] : cases) {
        TempFolder folder;
        const fs::path file = folder.Path() / "registry.sqlite";
        WriteWholeFile(file, content);
        SqliteRegistry store(file.string());

        RegistryKey key;
        EXPECT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, key),
                  RegResult::BadDatabase)
            << label;
        EXPECT_EQ(store.CreateKey(Hive::LocalMachine, kKeyPath, Access::All, key),
                  RegResult::BadDatabase)
            << label;
        ASSERT_EQ(store.OpenKey(Hive::LocalMachine, "", Access::All, key), RegResult::Success);
        EXPECT_EQ(key.SetString("x", "y"), RegResult::BadDatabase) << label;
        std::vector<NamedValue> listed;
        EXPECT_EQ(key.List(listed), RegResult::BadDatabase) << label;
        EXPECT_FALSE(store.LastError().empty()) << label;
        EXPECT_EQ(ReadWholeFile(file), content) << label << ": the file was changed";
    }
}

TEST(SqliteRegistry, AStoreFromANewerSchemaIsNotTouched) {
    TempFolder folder;
    const fs::path file = folder.Path() / "registry.sqlite";
    WriteStore(file, {});
    // The schema version is the big-endian word at offset 60 of the file's header.
    std::string content = ReadWholeFile(file);
    ASSERT_GE(content.size(), 64u);
    ASSERT_EQ(content[63], SqliteRegistry::kSchemaVersion);
    content[63] = SqliteRegistry::kSchemaVersion + 1;
    WriteWholeFile(file, content);

    SqliteRegistry store(file.string());
    RegistryKey key;
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, key),
              RegResult::BadDatabase);
    EXPECT_EQ(store.CreateKey(Hive::LocalMachine, kKeyPath, Access::All, key),
              RegResult::BadDatabase);
    EXPECT_NE(store.LastError().find("version"), std::string::npos) << store.LastError();
    EXPECT_EQ(ReadWholeFile(file), content);
}

TEST(SqliteRegistry, AReadOnlyFileRefusesWritingAccess) {
    if (geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind the superuser";
    TempFolder folder;
    const fs::path file = folder.Path() / "registry.sqlite";
    SqliteRegistry store(file.string());
    RegistryKey key;
    ASSERT_EQ(store.CreateKey(Hive::LocalMachine, kKeyPath, Access::All, key), RegResult::Success);
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::All, key),
              RegResult::AccessDenied);
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, key), RegResult::Success);
}

TEST(SqliteRegistry, WithoutALocationEveryCallFailsCleanly) {
    SqliteRegistry store("");
    RegistryKey key;
    EXPECT_EQ(store.CreateKey(Hive::LocalMachine, kKeyPath, Access::All, key),
              RegResult::BadDatabase);
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, key),
              RegResult::BadDatabase);
    EXPECT_FALSE(store.LastError().empty());
}

// "W<writer>-<i>". Built by appending: GCC 12 at -O3 sees a false overlap (-Wrestrict) in
// "literal" + std::string.
std::string WriterValueName(int writer, int i) {
    std::string name = "W";
    name += std::to_string(writer);
    name += '-';
    name += std::to_string(i);
    return name;
}

// Each writer runs in its own process, as KeyVoice and VoxGauge (or zavtool) would.
TEST(SqliteRegistry, TwoProcessesWritingAtOnceLoseNoValue) {
    constexpr int kValuesPerWriter = 150;
    TempFolder folder;
    const std::string file = (folder.Path() / "shared" / "registry.sqlite").string();

    // Both children wait on the pipe and start together when the parent closes it.
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    pid_t writers[2];
    for (int writer = 0; writer < 2; ++writer) {
        writers[writer] = fork();
        ASSERT_GE(writers[writer], 0);
        if (writers[writer] == 0) {
            close(gate[1]);
            char ignored;
            (void)!read(gate[0], &ignored, 1);
            SqliteRegistry store(file);
            RegistryKey key;
            if (store.CreateKey(Hive::LocalMachine, kKeyPath, Access::All, key) !=
                RegResult::Success) {
                _exit(10);
            }
            for (int i = 0; i < kValuesPerWriter; ++i) {
                const std::string name = WriterValueName(writer, i);
                if (key.SetString(name, name + " text") != RegResult::Success)
                    _exit(11);
            }
            _exit(0);
        }
    }
    close(gate[0]);
    close(gate[1]);
    for (pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "10: create failed, 11: a write failed";
    }

    SqliteRegistry store(file);
    RegistryKey key;
    ASSERT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, key), RegResult::Success);
    std::vector<NamedValue> listed;
    ASSERT_EQ(key.List(listed), RegResult::Success);
    EXPECT_EQ(listed.size(), 2u * kValuesPerWriter);
    for (int writer = 0; writer < 2; ++writer) {
        for (int i = 0; i < kValuesPerWriter; ++i) {
            const std::string name = WriterValueName(writer, i);
            RegistryValue value;
            ASSERT_EQ(key.Query(name, value), RegResult::Success) << name;
            EXPECT_EQ(TextOf(value), name + " text");
        }
    }
}

// Another program holds the write lock with a change not yet committed: a reader gets the
// committed values at once, and a writer, after its wait, is told the store is busy.
TEST(SqliteRegistry, ReadersDoNotWaitForAWriterAndABusyStoreSaysSo) {
    TempFolder folder;
    const fs::path file = folder.Path() / "registry.sqlite";
    WriteStore(file, {{"DataPath", Text("D:\\SOUND\\")}});
    ASSERT_EQ(ReadWholeFile(file).substr(18, 2), std::string("\2\2", 2))
        << "the file keeps a write-ahead log";

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE; UPDATE key_values SET data = x'00'", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    SqliteRegistry store(file.string(), 100);
    RegistryKey key;
    ASSERT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::All, key), RegResult::Success);
    RegistryValue value;
    EXPECT_EQ(key.Query("DataPath", value), RegResult::Success);
    EXPECT_EQ(TextOf(value), "D:\\SOUND\\");
    EXPECT_EQ(key.SetString("DataPath", "E:\\"), RegResult::Busy);
    EXPECT_NE(store.LastError().find("busy"), std::string::npos) << store.LastError();
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(key.SetString("DataPath", "E:\\"), RegResult::Success);
}

// Runs body in a child process, as another user when this one is the superuser (whom file
// permissions do not bind); the child's exit status, or -1 when it did not end in time.
int RunAsOtherUser(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(100);
        _exit(body());
    }
    for (int waited = 0; waited < 600; ++waited) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return -1;
}

// The log cannot be kept in a folder that cannot be written: the store is read as the file
// holds it, writing is refused, and the file is left as it was.
TEST(SqliteRegistry, AStoreInAFolderThatCannotBeWrittenIsStillRead) {
    TempFolder folder;
    const fs::path shelf = folder.Path() / "shelf";
    const fs::path file = shelf / "registry.sqlite";
    WriteStore(file, {{"ZavSysPath", Text("C:\\APPS\\SYS")}});
    const std::string content = ReadWholeFile(file);
    chmod(folder.Path().c_str(), 0755);
    chmod(shelf.c_str(), 0555);
    chmod(file.c_str(), 0444);
    const int status = RunAsOtherUser([&] {
        SqliteRegistry store(file.string());
        RegistryKey key;
        RegistryValue value;
        if (store.OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, key) != RegResult::Success)
            return 1;
        if (key.Query("ZavSysPath", value) != RegResult::Success ||
            TextOf(value) != "C:\\APPS\\SYS") {
            return 2;
        }
        if (store.OpenKey(Hive::LocalMachine, kKeyPath, Access::All, key) !=
            RegResult::AccessDenied) {
            return 3;
        }
        return 0;
    });
    chmod(shelf.c_str(), 0755);
    EXPECT_EQ(status, 0) << "1: not opened, 2: not read, 3: writing not refused";
    EXPECT_EQ(ReadWholeFile(file), content);
    EXPECT_FALSE(fs::exists(shelf / "registry.sqlite-wal"));
}

}  // namespace
}  // namespace zav::platform
