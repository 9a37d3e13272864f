// The behaviour every registry store shares, run against the in-memory store and the SQLite
// file alike.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <numeric>
#include <string>

#include "platform/sqlite/sqlite_registry.h"
#include "platform/testing/memory_registry.h"
#include "temp_folder.h"

namespace zav::platform {
namespace {

constexpr std::string_view kKeyPath = "Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0";

Bytes BytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::vector<std::string> NamesOf(const std::vector<NamedValue>& values) {
    std::vector<std::string> names;
    for (const NamedValue& value : values)
        names.push_back(value.name);
    return names;
}

// Each backend also breaks the store at one change of a batch, as a disk that fills there
// would: the in-memory store counts the changes, the SQLite file gets a trigger on the name.
struct MemoryBackend {
    std::unique_ptr<RegistryStore> Make() { return std::make_unique<sim::MemoryRegistry>(); }
    void BreakAt(RegistryStore& store, int change, std::string_view) {
        static_cast<sim::MemoryRegistry&>(store).FailChange(change);
    }
    void Repair(RegistryStore& store) { static_cast<sim::MemoryRegistry&>(store).FailChange(0); }
};

struct SqliteBackend {
    TempFolder folder;
    std::unique_ptr<RegistryStore> Make() {
        return std::make_unique<SqliteRegistry>((folder.Path() / "registry.sqlite").string());
    }
    void BreakAt(RegistryStore&, int, std::string_view name) {
        Run("CREATE TRIGGER full BEFORE INSERT ON key_values WHEN NEW.name = '" +
            std::string(name) + "' BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    }
    void Repair(RegistryStore&) { Run("DROP TRIGGER full"); }
    void Run(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((folder.Path() / "registry.sqlite").c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
};

template <typename Backend>
class StoreBehaviour : public testing::Test {
  protected:
    StoreBehaviour() : store_(backend_.Make()) {}

    RegistryKey CreateOurKey(Access access = Access::All) {
        RegistryKey key;
        EXPECT_EQ(store_->CreateKey(Hive::LocalMachine, kKeyPath, access, key), RegResult::Success);
        return key;
    }

    Backend backend_;
    std::unique_ptr<RegistryStore> store_;
};

using Backends = testing::Types<MemoryBackend, SqliteBackend>;
class BackendNames {
  public:
    template <typename T>
    static std::string GetName(int) {
        return std::is_same_v<T, MemoryBackend> ? "Memory" : "Sqlite";
    }
};
TYPED_TEST_SUITE(StoreBehaviour, Backends, BackendNames);

TYPED_TEST(StoreBehaviour, EveryKindOfValueComesBackByteForByte) {
    Bytes allBytes(256);
    std::iota(allBytes.begin(), allBytes.end(), 0);
    const std::vector<NamedValue> cases = {
        {"EmptyString", {ValueType::String, {}}},
        {"Text", {ValueType::String, BytesOf("7,1,C:\\APPS\\SYS\\cfff7.wax")}},
        {"Terminated", {ValueType::String, BytesOf(std::string_view("D:\\SOUND\\\0", 10))}},
        {"InteriorZeros", {ValueType::String, BytesOf(std::string_view("a\0b\0\0c", 6))}},
        {"EmptyBinary", {ValueType::Binary, {}}},
        {"MicEnv", {ValueType::Binary, allBytes}},
        {"Dword", {ValueType::Dword, {0x78, 0x56, 0x34, 0x12}}},
        {"Expand", {ValueType::ExpandString, BytesOf("%HOME%\\x")}},
        {"Multi", {ValueType::MultiString, BytesOf(std::string_view("a\0bc\0\0", 6))}},
        {"NoType", {ValueType::None, {1, 2, 3}}},
        {"Qword", {static_cast<ValueType>(11), {1, 2, 3, 4, 5, 6, 7, 8}}},
        {"", {ValueType::String, BytesOf("default")}},
    };
    RegistryKey key = this->CreateOurKey();
    for (const NamedValue& value : cases) {
        ASSERT_EQ(key.Set(value.name, value.value.type, value.value.data), RegResult::Success)
            << value.name;
    }
    for (const NamedValue& expected : cases) {
        RegistryValue read;
        ASSERT_EQ(key.Query(expected.name, read), RegResult::Success) << expected.name;
        EXPECT_EQ(read, expected.value) << expected.name;
    }
    std::vector<NamedValue> listed;
    ASSERT_EQ(key.List(listed), RegResult::Success);
    ASSERT_EQ(listed.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(listed[i].name, cases[i].name);
        EXPECT_EQ(listed[i].value, cases[i].value) << cases[i].name;
    }
}

TYPED_TEST(StoreBehaviour, KeyPathsAndValueNamesIgnoreAsciiCase) {
    RegistryKey created = this->CreateOurKey();
    ASSERT_EQ(created.SetString("MicEnv", "first"), RegResult::Success);

    RegistryKey opened;
    ASSERT_EQ(this->store_->OpenKey(Hive::LocalMachine,
                                    "\\SOFTWARE\\tambori\\zav  - BLUE HOLLOW -\\2.0\\", Access::All,
                                    opened),
              RegResult::Success);
    RegistryValue value;
    ASSERT_EQ(opened.Query("MICENV", value), RegResult::Success);
    EXPECT_EQ(value.data, BytesOf("first"));

    // Writing under another spelling replaces the value and keeps the first spelling.
    ASSERT_EQ(opened.SetString("micenv", "second"), RegResult::Success);
    std::vector<NamedValue> listed;
    ASSERT_EQ(created.List(listed), RegResult::Success);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].name, "MicEnv");
    EXPECT_EQ(listed[0].value.data, BytesOf("second"));

    // The blanks in the key's name count: one blank less is another key.
    EXPECT_EQ(
        this->store_->OpenKey(Hive::LocalMachine, "Software\\TAMBORI\\ZAV - Blue Hollow -\\2.0",
                              Access::Read, opened),
        RegResult::FileNotFound);
}

TYPED_TEST(StoreBehaviour, MissingKeysAndValuesAreNotFound) {
    RegistryKey key;
    EXPECT_EQ(this->store_->OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, key),
              RegResult::FileNotFound);
    EXPECT_FALSE(key.IsOpen());

    key = this->CreateOurKey();
    RegistryValue value;
    EXPECT_EQ(key.Query("DataPath", value), RegResult::FileNotFound);
    EXPECT_EQ(key.Delete("DataPath"), RegResult::FileNotFound);

    // Another hive does not see the key.
    RegistryKey other;
    EXPECT_EQ(this->store_->OpenKey(Hive::CurrentUser, kKeyPath, Access::Read, other),
              RegResult::FileNotFound);
}

TYPED_TEST(StoreBehaviour, CreatingAKeyCreatesItsParentsWithTheirOwnValues) {
    RegistryKey leaf;
    ASSERT_EQ(this->store_->CreateKey(Hive::LocalMachine, "A\\B\\C", Access::All, leaf),
              RegResult::Success);
    ASSERT_EQ(leaf.SetString("Leaf", "c"), RegResult::Success);
    for (std::string_view parent : {"A", "a\\b"}) {
        RegistryKey key;
        ASSERT_EQ(this->store_->OpenKey(Hive::LocalMachine, parent, Access::All, key),
                  RegResult::Success)
            << parent;
        std::vector<NamedValue> listed;
        ASSERT_EQ(key.List(listed), RegResult::Success);
        EXPECT_TRUE(listed.empty()) << parent;
    }
    RegistryKey again;
    ASSERT_EQ(this->store_->CreateKey(Hive::LocalMachine, "a\\b\\c", Access::All, again),
              RegResult::Success);
    RegistryValue value;
    EXPECT_EQ(again.Query("leaf", value), RegResult::Success) << "creating twice keeps values";

    EXPECT_EQ(this->store_->CreateKey(Hive::LocalMachine, "A\\\\B", Access::All, again),
              RegResult::InvalidParameter);
    EXPECT_EQ(this->store_->OpenKey(Hive::LocalMachine, "A\\B\\C\\D", Access::All, again),
              RegResult::FileNotFound);
}

TYPED_TEST(StoreBehaviour, ValuesAreListedInCreationOrderAndDeletedOnesLeaveTheList) {
    RegistryKey key = this->CreateOurKey();
    for (std::string_view name : {"Key6Info", "DataPath", "ZavSysPath", "Key0Info"}) {
        ASSERT_EQ(key.SetString(name, "x"), RegResult::Success);
    }
    ASSERT_EQ(key.SetString("DataPath", "replaced in place"), RegResult::Success);
    ASSERT_EQ(key.Delete("key6info"), RegResult::Success);
    ASSERT_EQ(key.SetString("Key6Info", "again, now last"), RegResult::Success);

    std::vector<NamedValue> listed;
    ASSERT_EQ(key.List(listed), RegResult::Success);
    EXPECT_THAT(NamesOf(listed),
                testing::ElementsAre("DataPath", "ZavSysPath", "Key0Info", "Key6Info"));
    RegistryValue deleted;
    ASSERT_EQ(key.Delete("Key0Info"), RegResult::Success);
    EXPECT_EQ(key.Query("Key0Info", deleted), RegResult::FileNotFound);
}

TYPED_TEST(StoreBehaviour, ChangingAValueCanChangeItsType) {
    RegistryKey key = this->CreateOurKey();
    ASSERT_EQ(key.SetString("MicMap", "text"), RegResult::Success);
    const Bytes map(64, 0x7f);
    ASSERT_EQ(key.Set("MicMap", ValueType::Binary, map), RegResult::Success);
    RegistryValue value;
    ASSERT_EQ(key.Query("MicMap", value), RegResult::Success);
    EXPECT_EQ(value, (RegistryValue{ValueType::Binary, map}));
}

TYPED_TEST(StoreBehaviour, HandlesAllowOnlyWhatTheirAccessGrants) {
    this->CreateOurKey().SetString("DataPath", "D:\\SOUND\\");

    RegistryKey reader;
    ASSERT_EQ(this->store_->OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, reader),
              RegResult::Success);
    RegistryValue value;
    std::vector<NamedValue> listed;
    EXPECT_EQ(reader.Query("DataPath", value), RegResult::Success);
    EXPECT_EQ(reader.SetString("DataPath", "changed"), RegResult::AccessDenied);
    EXPECT_EQ(reader.Delete("DataPath"), RegResult::AccessDenied);

    RegistryKey writer;
    ASSERT_EQ(this->store_->OpenKey(Hive::LocalMachine, kKeyPath, Access::Write, writer),
              RegResult::Success);
    EXPECT_EQ(writer.Query("DataPath", value), RegResult::AccessDenied);
    EXPECT_EQ(writer.List(listed), RegResult::AccessDenied);
    EXPECT_EQ(writer.SetString("ZavSysPath", "C:\\APPS\\SYS"), RegResult::Success);

    ASSERT_EQ(reader.Query("DataPath", value), RegResult::Success);
    EXPECT_EQ(value.data, BytesOf("D:\\SOUND\\")) << "the refused write changed nothing";
}

TYPED_TEST(StoreBehaviour, ClosedAndMovedFromHandlesAreInvalid) {
    RegistryKey key = this->CreateOurKey();
    RegistryKey moved = std::move(key);
    RegistryKey closed = this->CreateOurKey();
    closed.Close();
    for (RegistryKey* handle : {&key, &closed}) {
        RegistryValue value;
        std::vector<NamedValue> listed;
        EXPECT_EQ(handle->Query("x", value), RegResult::InvalidHandle);
        EXPECT_EQ(handle->QueryBounded("x", 10, value), RegResult::InvalidHandle);
        EXPECT_EQ(handle->SetString("x", "y"), RegResult::InvalidHandle);
        EXPECT_EQ(handle->SetDword("x", 1), RegResult::InvalidHandle);
        EXPECT_EQ(handle->Delete("x"), RegResult::InvalidHandle);
        EXPECT_EQ(handle->List(listed), RegResult::InvalidHandle);
    }
    EXPECT_EQ(moved.SetString("x", "y"), RegResult::Success);
}

TYPED_TEST(StoreBehaviour, BoundedQueryReportsMoreDataWhenTheBufferIsShort) {
    RegistryKey key = this->CreateOurKey();
    const std::string text(270, 'p');
    ASSERT_EQ(key.SetString("ZavSysPath", text), RegResult::Success);

    RegistryValue value;
    EXPECT_EQ(key.QueryBounded("ZavSysPath", 269, value), RegResult::MoreData);
    EXPECT_EQ(value.type, ValueType::String);
    EXPECT_TRUE(value.data.empty());
    ASSERT_EQ(key.QueryBounded("ZavSysPath", 270, value), RegResult::Success);
    EXPECT_EQ(value.data, BytesOf(text));
    EXPECT_EQ(key.QueryBounded("Missing", 0, value), RegResult::FileNotFound);
}

TYPED_TEST(StoreBehaviour, KeysKeepTheirValuesApart) {
    RegistryKey parent;
    RegistryKey child;
    ASSERT_EQ(this->store_->CreateKey(Hive::LocalMachine, "Software\\TAMBORI", Access::All, parent),
              RegResult::Success);
    child = this->CreateOurKey();
    ASSERT_EQ(parent.SetString("Shared", "parent"), RegResult::Success);
    ASSERT_EQ(child.SetString("Shared", "child"), RegResult::Success);
    RegistryValue value;
    ASSERT_EQ(parent.Query("Shared", value), RegResult::Success);
    EXPECT_EQ(value.data, BytesOf("parent"));
    ASSERT_EQ(child.Delete("Shared"), RegResult::Success);
    EXPECT_EQ(parent.Query("Shared", value), RegResult::Success);
}

// An import's changes: they replace, delete (one that exists and one that does not), respell
// and add values, and break at the last one.
TYPED_TEST(StoreBehaviour, ABatchMakesAllItsChangesOrNone) {
    RegistryKey key = this->CreateOurKey();
    ASSERT_EQ(key.SetString("A", "old a"), RegResult::Success);
    ASSERT_EQ(key.SetString("B", "old b"), RegResult::Success);
    ASSERT_EQ(key.Set("E", ValueType::Binary, Bytes{0, 1, 2}), RegResult::Success);
    std::vector<NamedValue> before;
    ASSERT_EQ(key.List(before), RegResult::Success);
    const std::vector<ValueChange> changes = {
        {"A", false, {ValueType::String, BytesOf("new a")}},
        {"b", true, {}},
        {"b", false, {ValueType::String, BytesOf("respelled b")}},
        {"Absent", true, {}},
        {"C", false, {ValueType::Binary, {}}},
        {"D", false, {ValueType::Dword, {1, 0, 0, 0}}},
    };

    this->backend_.BreakAt(*this->store_, 6, "D");
    std::size_t deleted = 99;
    EXPECT_EQ(key.Apply(changes, deleted), RegResult::BadDatabase);
    EXPECT_EQ(deleted, 0u);
    std::vector<NamedValue> listed;
    ASSERT_EQ(key.List(listed), RegResult::Success);
    ASSERT_EQ(NamesOf(listed), NamesOf(before));
    for (std::size_t i = 0; i < listed.size(); ++i)
        EXPECT_EQ(listed[i].value, before[i].value) << listed[i].name;

    this->backend_.Repair(*this->store_);
    ASSERT_EQ(key.Apply(changes, deleted), RegResult::Success);
    EXPECT_EQ(deleted, 1u);
    ASSERT_EQ(key.List(listed), RegResult::Success);
    EXPECT_THAT(NamesOf(listed), testing::ElementsAre("A", "E", "b", "C", "D"));
    EXPECT_EQ(listed[0].value.data, BytesOf("new a"));
    EXPECT_EQ(listed[2].value.data, BytesOf("respelled b"));
    EXPECT_EQ(listed[4].value, (RegistryValue{ValueType::Dword, {1, 0, 0, 0}}));

    RegistryKey reader;
    ASSERT_EQ(this->store_->OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, reader),
              RegResult::Success);
    EXPECT_EQ(reader.Apply(changes, deleted), RegResult::AccessDenied);
    reader.Close();
    EXPECT_EQ(reader.Apply(changes, deleted), RegResult::InvalidHandle);
}

}  // namespace
}  // namespace zav::platform
