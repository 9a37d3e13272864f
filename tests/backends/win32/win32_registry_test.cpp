// The store on the host's registry: the store contract under a key of the test's own, removed
// again; and the keys live in the 32-bit view that the host product reads.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_registry.h"
#include "tests/contracts/store_contract.h"

namespace zav::platform::contracts {
namespace {

// The key the tests work under, in both hives they use, below Software.
const std::string kTestKey = "ZavTests\\" + std::to_string(::GetCurrentProcessId());
const std::string kTestRoot = "Software\\" + kTestKey;

void RemoveTestKeys() {
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            HKEY software = nullptr;
            if (::RegOpenKeyExA(hive, "Software", 0, KEY_ALL_ACCESS | view, &software) ==
                ERROR_SUCCESS) {
                ::RegDeleteTreeA(software, kTestKey.c_str());
                ::RegCloseKey(software);
            }
        }
    }
}

class Win32Backend {
  public:
    Win32Backend() { RemoveTestKeys(); }
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;
    ~Win32Backend() { RemoveTestKeys(); }

    std::unique_ptr<RegistryStore> Make() { return std::make_unique<win32::Win32Registry>(); }
    std::string Root() const { return kTestRoot + "\\"; }
    void BreakAt(RegistryStore&, int, std::string_view) { ADD_FAILURE() << "cannot break"; }
    void Repair(RegistryStore&) {}

    static constexpr bool kListsInCreationOrder = false;  // Wine sorts values by name
    static constexpr std::array<SkippedCase, 1> kSkipped = {{
        {"ABatchThatBreaksMakesNoneOfItsChanges",
         "nothing makes the host's registry fail at a chosen change"},
    }};
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, StoreContract, Win32Backend);

// Whether the key exists in the given view, asked of the registry directly.
bool ExistsInView(const std::string& path, REGSAM view) {
    HKEY key = nullptr;
    const LSTATUS status =
        ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key);
    if (key != nullptr)
        ::RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

TEST(Win32Registry, KeysAreWrittenInTheThirtyTwoBitView) {
    const Win32Backend backend;
    win32::Win32Registry store;
    const std::string path = kTestRoot + "\\2.0";
    RegistryKey key;
    ASSERT_EQ(store.CreateKey(Hive::LocalMachine, path, Access::All, key), RegResult::Success);
    ASSERT_EQ(key.SetString("Key6Info", "6,1,C:\\A\\cfff6.wax"), RegResult::Success);
    EXPECT_TRUE(ExistsInView(path, KEY_WOW64_32KEY));
    EXPECT_FALSE(ExistsInView(path, KEY_WOW64_64KEY));
    EXPECT_TRUE(store.LastError().empty());
}

}  // namespace
}  // namespace zav::platform::contracts
