// The store contract on the in-memory store and the SQLite file.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>

#include "platform/sqlite/sqlite_registry.h"
#include "platform/testing/memory_registry.h"
#include "tests/contracts/store_contract.h"
#include "tests/platform/registry/temp_folder.h"

namespace zav::platform::contracts {
namespace {

// Each backend breaks the store at one change of a batch its own way: the in-memory store counts
// the changes, the SQLite file gets a trigger on the name.
struct MemoryBackend {
    std::unique_ptr<RegistryStore> Make() { return std::make_unique<sim::MemoryRegistry>(); }
    std::string Root() const { return {}; }
    void BreakAt(RegistryStore& store, int change, std::string_view) {
        static_cast<sim::MemoryRegistry&>(store).FailChange(change);
    }
    void Repair(RegistryStore& store) { static_cast<sim::MemoryRegistry&>(store).FailChange(0); }

    static constexpr bool kListsInCreationOrder = true;
    static constexpr std::array<SkippedCase, 0> kSkipped{};
};

struct SqliteBackend {
    TempFolder folder;
    std::unique_ptr<RegistryStore> Make() {
        return std::make_unique<SqliteRegistry>((folder.Path() / "registry.sqlite").string());
    }
    std::string Root() const { return {}; }
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

    static constexpr bool kListsInCreationOrder = true;
    static constexpr std::array<SkippedCase, 0> kSkipped{};
};

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, StoreContract, MemoryBackend);
INSTANTIATE_TYPED_TEST_SUITE_P(Sqlite, StoreContract, SqliteBackend);

}  // namespace
}  // namespace zav::platform::contracts
