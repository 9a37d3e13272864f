#pragma once
// What every registry store does alike, run on the in-memory store and the SQLite file
// (tests/platform/registry) and on the host's registry (tests/backends/win32). A backend gives:
//   std::unique_ptr<RegistryStore> Make();  a store of its own
//   std::string Root();                     "" or the key the cases work under, with a '\' after
//   void BreakAt(RegistryStore&, int change, std::string_view name); void Repair(RegistryStore&);
//        the n-th change of a batch (which sets name) fails, as where a disk fills; and no longer
//   kListsInCreationOrder                   when false, listings are compared sorted by name
//   kSkipped                                the cases it cannot run (skipped_cases.h)

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry/registry.h"
#include "tests/contracts/skipped_cases.h"

namespace zav::platform::contracts {

inline Bytes BytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}
inline RegistryValue Text(std::string_view text) {
    return {ValueType::String, BytesOf(text)};
}

using Listing = std::vector<std::pair<std::string, RegistryValue>>;

template <typename Backend>
class StoreContract : public testing::Test {
  protected:
    StoreContract() : store_(backend_.Make()) {}
    void SetUp() override {
        if (const std::string_view why = WhySkipped<Backend>(); !why.empty())
            GTEST_SKIP() << why;
    }

    std::string Under(std::string_view path) { return backend_.Root() + std::string(path); }
    std::string OurKeyPath() { return Under("Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0"); }
    RegistryKey CreateOurKey(Access access = Access::All) {
        RegistryKey key;
        EXPECT_EQ(store_->CreateKey(Hive::LocalMachine, OurKeyPath(), access, key),
                  RegResult::Success);
        return key;
    }

    RegistryKey KeyBeforeImport() {
        RegistryKey key = CreateOurKey();
        EXPECT_EQ(key.SetString("A", "old a"), RegResult::Success);
        EXPECT_EQ(key.SetString("B", "old b"), RegResult::Success);
        EXPECT_EQ(key.Set("E", ValueType::Binary, Bytes{0, 1, 2}), RegResult::Success);
        return key;
    }

    // The values in list order or, where the backend keeps none, sorted as the host compares names.
    static Listing InListOrder(const std::vector<NamedValue>& values) {
        Listing listing;
        for (const NamedValue& value : values)
            listing.emplace_back(value.name, value.value);
        if (!Backend::kListsInCreationOrder) {
            std::sort(listing.begin(), listing.end(), [](const auto& a, const auto& b) {
                return FoldName(a.first) < FoldName(b.first);
            });
        }
        return listing;
    }
    static Listing Listed(const RegistryKey& key) {
        std::vector<NamedValue> values;
        EXPECT_EQ(key.List(values), RegResult::Success);
        return InListOrder(values);
    }

    Backend backend_;
    std::unique_ptr<RegistryStore> store_;
};

TYPED_TEST_SUITE_P(StoreContract);

TYPED_TEST_P(StoreContract, EveryKindOfValueComesBackByteForByte) {
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
    EXPECT_EQ(this->Listed(key), this->InListOrder(cases));
}

TYPED_TEST_P(StoreContract, KeyPathsAndValueNamesIgnoreAsciiCase) {
    RegistryKey created = this->CreateOurKey();
    ASSERT_EQ(created.SetString("MicEnv", "first"), RegResult::Success);

    // Other letters, and separators at either end.
    std::string respelled = "\\";
    respelled += this->Under("SOFTWARE\\tambori\\zav  - BLUE HOLLOW -\\2.0\\");
    RegistryKey opened;
    ASSERT_EQ(this->store_->OpenKey(Hive::LocalMachine, respelled, Access::All, opened),
              RegResult::Success);
    RegistryValue value;
    ASSERT_EQ(opened.Query("MICENV", value), RegResult::Success);
    EXPECT_EQ(value.data, BytesOf("first"));

    // Writing under another spelling replaces the value and keeps the first spelling.
    ASSERT_EQ(opened.SetString("micenv", "second"), RegResult::Success);
    EXPECT_EQ(this->Listed(created), (Listing{{"MicEnv", Text("second")}}));

    // The blanks in the key's name count: one blank less is another key.
    EXPECT_EQ(this->store_->OpenKey(Hive::LocalMachine,
                                    this->Under("Software\\TAMBORI\\ZAV - Blue Hollow -\\2.0"),
                                    Access::Read, opened),
              RegResult::FileNotFound);
}

TYPED_TEST_P(StoreContract, MissingKeysAndValuesAreNotFound) {
    RegistryKey key;
    EXPECT_EQ(this->store_->OpenKey(Hive::LocalMachine, this->OurKeyPath(), Access::Read, key),
              RegResult::FileNotFound);
    EXPECT_FALSE(key.IsOpen());

    key = this->CreateOurKey();
    RegistryValue value;
    EXPECT_EQ(key.Query("DataPath", value), RegResult::FileNotFound);
    EXPECT_EQ(key.Delete("DataPath"), RegResult::FileNotFound);

    // Another hive does not see the key.
    RegistryKey other;
    EXPECT_EQ(this->store_->OpenKey(Hive::CurrentUser, this->OurKeyPath(), Access::Read, other),
              RegResult::FileNotFound);
}

TYPED_TEST_P(StoreContract, CreatingAKeyCreatesItsParentsWithTheirOwnValues) {
    RegistryKey leaf;
    ASSERT_EQ(
        this->store_->CreateKey(Hive::LocalMachine, this->Under("A\\B\\C"), Access::All, leaf),
        RegResult::Success);
    ASSERT_EQ(leaf.SetString("Leaf", "c"), RegResult::Success);
    for (const std::string& parent : {this->Under("A"), this->Under("a\\b")}) {
        RegistryKey key;
        ASSERT_EQ(this->store_->OpenKey(Hive::LocalMachine, parent, Access::All, key),
                  RegResult::Success)
            << parent;
        EXPECT_TRUE(this->Listed(key).empty()) << parent;
    }
    RegistryKey again;
    ASSERT_EQ(
        this->store_->CreateKey(Hive::LocalMachine, this->Under("a\\b\\c"), Access::All, again),
        RegResult::Success);
    RegistryValue value;
    EXPECT_EQ(again.Query("leaf", value), RegResult::Success) << "creating twice keeps values";

    EXPECT_EQ(
        this->store_->CreateKey(Hive::LocalMachine, this->Under("A\\\\B"), Access::All, again),
        RegResult::InvalidParameter);
    EXPECT_EQ(
        this->store_->OpenKey(Hive::LocalMachine, this->Under("A\\B\\C\\D"), Access::All, again),
        RegResult::FileNotFound);
}

// A value replaced keeps its place, its type may change; one deleted and written again goes last.
TYPED_TEST_P(StoreContract, ValuesAreListedInCreationOrderAndDeletedOnesLeaveTheList) {
    RegistryKey key = this->CreateOurKey();
    for (std::string_view name : {"Key6Info", "MicMap", "ZavSysPath", "Key0Info"}) {
        ASSERT_EQ(key.SetString(name, "x"), RegResult::Success);
    }
    const RegistryValue map{ValueType::Binary, Bytes(64, 0x7f)};
    ASSERT_EQ(key.Set("MicMap", map.type, map.data), RegResult::Success);
    ASSERT_EQ(key.Delete("key6info"), RegResult::Success);
    ASSERT_EQ(key.SetString("Key6Info", "again, now last"), RegResult::Success);
    EXPECT_EQ(this->Listed(key), this->InListOrder({{"MicMap", map},
                                                    {"ZavSysPath", Text("x")},
                                                    {"Key0Info", Text("x")},
                                                    {"Key6Info", Text("again, now last")}}));
    RegistryValue deleted;
    ASSERT_EQ(key.Delete("Key0Info"), RegResult::Success);
    EXPECT_EQ(key.Query("Key0Info", deleted), RegResult::FileNotFound);
}

TYPED_TEST_P(StoreContract, HandlesAllowOnlyWhatTheirAccessGrants) {
    this->CreateOurKey().SetString("DataPath", "D:\\SOUND\\");

    RegistryKey reader;
    ASSERT_EQ(this->store_->OpenKey(Hive::LocalMachine, this->OurKeyPath(), Access::Read, reader),
              RegResult::Success);
    RegistryValue value;
    std::vector<NamedValue> listed;
    EXPECT_EQ(reader.Query("DataPath", value), RegResult::Success);
    EXPECT_EQ(reader.SetString("DataPath", "changed"), RegResult::AccessDenied);
    EXPECT_EQ(reader.Delete("DataPath"), RegResult::AccessDenied);

    RegistryKey writer;
    ASSERT_EQ(this->store_->OpenKey(Hive::LocalMachine, this->OurKeyPath(), Access::Write, writer),
              RegResult::Success);
    EXPECT_EQ(writer.Query("DataPath", value), RegResult::AccessDenied);
    EXPECT_EQ(writer.List(listed), RegResult::AccessDenied);
    EXPECT_EQ(writer.SetString("ZavSysPath", "C:\\APPS\\SYS"), RegResult::Success);

    ASSERT_EQ(reader.Query("DataPath", value), RegResult::Success);
    EXPECT_EQ(value.data, BytesOf("D:\\SOUND\\")) << "the refused write changed nothing";
}

TYPED_TEST_P(StoreContract, ClosedAndMovedFromHandlesAreInvalid) {
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

TYPED_TEST_P(StoreContract, BoundedQueryReportsMoreDataWhenTheBufferIsShort) {
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

TYPED_TEST_P(StoreContract, KeysKeepTheirValuesApart) {
    RegistryKey parent;
    RegistryKey child;
    ASSERT_EQ(this->store_->CreateKey(Hive::LocalMachine, this->Under("Software\\TAMBORI"),
                                      Access::All, parent),
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
// and add values, on a key that holds A, B and E.
inline const std::vector<ValueChange> kImportChanges = {
    {"A", false, Text("new a")},           {"b", true, {}},
    {"b", false, Text("respelled b")},     {"Absent", true, {}},
    {"C", false, {ValueType::Binary, {}}}, {"D", false, {ValueType::Dword, {1, 0, 0, 0}}},
};

TYPED_TEST_P(StoreContract, ABatchMakesAllItsChanges) {
    RegistryKey key = this->KeyBeforeImport();
    std::size_t deleted = 99;
    ASSERT_EQ(key.Apply(kImportChanges, deleted), RegResult::Success);
    EXPECT_EQ(deleted, 1u);
    EXPECT_EQ(this->Listed(key), this->InListOrder({{"A", Text("new a")},
                                                    {"E", {ValueType::Binary, {0, 1, 2}}},
                                                    {"b", Text("respelled b")},
                                                    {"C", {ValueType::Binary, {}}},
                                                    {"D", {ValueType::Dword, {1, 0, 0, 0}}}}));

    RegistryKey reader;
    ASSERT_EQ(this->store_->OpenKey(Hive::LocalMachine, this->OurKeyPath(), Access::Read, reader),
              RegResult::Success);
    EXPECT_EQ(reader.Apply(kImportChanges, deleted), RegResult::AccessDenied);
    reader.Close();
    EXPECT_EQ(reader.Apply(kImportChanges, deleted), RegResult::InvalidHandle);
}

// The store breaks at the last change.
TYPED_TEST_P(StoreContract, ABatchThatBreaksMakesNoneOfItsChanges) {
    RegistryKey key = this->KeyBeforeImport();
    const Listing before = this->Listed(key);
    this->backend_.BreakAt(*this->store_, 6, "D");
    std::size_t deleted = 99;
    EXPECT_EQ(key.Apply(kImportChanges, deleted), RegResult::BadDatabase);
    EXPECT_EQ(deleted, 0u);
    EXPECT_EQ(this->Listed(key), before);
    this->backend_.Repair(*this->store_);
    EXPECT_EQ(key.Apply(kImportChanges, deleted), RegResult::Success);
}

REGISTER_TYPED_TEST_SUITE_P(
    StoreContract, EveryKindOfValueComesBackByteForByte, KeyPathsAndValueNamesIgnoreAsciiCase,
    MissingKeysAndValuesAreNotFound, CreatingAKeyCreatesItsParentsWithTheirOwnValues,
    ValuesAreListedInCreationOrderAndDeletedOnesLeaveTheList, HandlesAllowOnlyWhatTheirAccessGrants,
    ClosedAndMovedFromHandlesAreInvalid, BoundedQueryReportsMoreDataWhenTheBufferIsShort,
    KeysKeepTheirValuesApart, ABatchMakesAllItsChanges, ABatchThatBreaksMakesNoneOfItsChanges);

}  // namespace zav::platform::contracts
