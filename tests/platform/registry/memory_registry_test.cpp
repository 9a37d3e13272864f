// The in-memory store's fault switches, which other tests rely on to reach failure paths.

#include <gtest/gtest.h>

#include "platform/testing/memory_registry.h"

namespace zav::platform::sim {
namespace {

constexpr std::string_view kKeyPath = "Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0";

TEST(MemoryRegistry, DeniedWriteAccessRefusesWritingHandlesButNotReadingOnes) {
    MemoryRegistry store;
    RegistryKey key;
    ASSERT_EQ(store.CreateKey(Hive::LocalMachine, kKeyPath, Access::All, key), RegResult::Success);
    ASSERT_EQ(key.SetString("DataPath", "D:\\"), RegResult::Success);

    store.DenyAccess(Access::Write);
    RegistryKey refused;
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::All, refused),
              RegResult::AccessDenied);
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::Write, refused),
              RegResult::AccessDenied);
    EXPECT_EQ(store.CreateKey(Hive::LocalMachine, "Other", Access::All, refused),
              RegResult::AccessDenied);
    EXPECT_FALSE(refused.IsOpen());
    RegistryKey reader;
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, "Other", Access::Read, reader),
              RegResult::FileNotFound)
        << "the refused create made no key";
    ASSERT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, reader),
              RegResult::Success);
    EXPECT_EQ(key.SetString("DataPath", "E:\\"), RegResult::Success) << "open handles keep working";

    store.AllowAllAccess();
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::All, refused),
              RegResult::Success);
}

TEST(MemoryRegistry, DeniedReadAccessRefusesReadAndAllButNotWrite) {
    MemoryRegistry store;
    RegistryKey key;
    ASSERT_EQ(store.CreateKey(Hive::LocalMachine, kKeyPath, Access::All, key), RegResult::Success);
    store.DenyAccess(Access::Read);
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, key),
              RegResult::AccessDenied);
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::All, key),
              RegResult::AccessDenied);
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::Write, key), RegResult::Success);
}

TEST(MemoryRegistry, ABadDatabaseFailsEveryCallAndChangesNothing) {
    MemoryRegistry store;
    RegistryKey key;
    ASSERT_EQ(store.CreateKey(Hive::LocalMachine, kKeyPath, Access::All, key), RegResult::Success);
    ASSERT_EQ(key.SetString("Key6Info", "1,0,C:\\a.wax"), RegResult::Success);

    store.SetBadDatabase(true);
    RegistryKey other;
    RegistryValue value;
    std::vector<NamedValue> listed;
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, other),
              RegResult::BadDatabase);
    EXPECT_EQ(store.CreateKey(Hive::LocalMachine, "New", Access::All, other),
              RegResult::BadDatabase);
    EXPECT_EQ(key.Query("Key6Info", value), RegResult::BadDatabase);
    EXPECT_EQ(key.SetString("Key6Info", "changed"), RegResult::BadDatabase);
    EXPECT_EQ(key.Delete("Key6Info"), RegResult::BadDatabase);
    EXPECT_EQ(key.List(listed), RegResult::BadDatabase);

    store.SetBadDatabase(false);
    ASSERT_EQ(key.Query("Key6Info", value), RegResult::Success);
    EXPECT_EQ(std::string(value.data.begin(), value.data.end()), "1,0,C:\\a.wax");
    EXPECT_EQ(store.OpenKey(Hive::LocalMachine, "New", Access::Read, other),
              RegResult::FileNotFound);
}

}  // namespace
}  // namespace zav::platform::sim
