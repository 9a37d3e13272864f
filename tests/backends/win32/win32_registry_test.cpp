// The store on the host's registry: every kind of value comes back byte for byte, in the
// 32-bit view that the host product reads, and the registry's own answers keep their meaning.
// The tests work under a key of their own and remove it again.

#include <windows.h>

#include <gtest/gtest.h>

#include <numeric>
#include <string>

#include "platform/win32/win32_registry.h"

namespace zav::platform::win32 {
namespace {

Bytes BytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

class Win32RegistryTest : public testing::Test {
  protected:
    Win32RegistryTest()
        : path_("Software\\ZavTests\\" + std::to_string(::GetCurrentProcessId()) + "\\2.0") {
        RemoveTestKeys();
    }
    ~Win32RegistryTest() override { RemoveTestKeys(); }

    // Whether the key exists in the given view, asked of the registry directly.
    bool ExistsInView(REGSAM view) const {
        HKEY key = nullptr;
        const LSTATUS status =
            ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, KEY_READ | view, &key);
        if (key != nullptr)
            ::RegCloseKey(key);
        return status == ERROR_SUCCESS;
    }

    const std::string path_;
    Win32Registry store_;

  private:
    void RemoveTestKeys() const {
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            HKEY software = nullptr;
            if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS | view,
                                &software) == ERROR_SUCCESS) {
                ::RegDeleteTreeA(software, "ZavTests");
                ::RegCloseKey(software);
            }
        }
    }
};

TEST_F(Win32RegistryTest, EveryKindOfValueComesBackByteForByteInTheThirtyTwoBitView) {
    Bytes allBytes(256);
    std::iota(allBytes.begin(), allBytes.end(), 0);
    const std::vector<NamedValue> cases = {
        {"Text",
         {ValueType::String, BytesOf(std::string_view("7,1,C:\\APPS\\SYS\\cfff7.wax\0", 26))}},
        {"Unterminated", {ValueType::String, BytesOf("D:\\SOUND\\")}},
        {"EmptyBinary", {ValueType::Binary, {}}},
        {"MicEnv", {ValueType::Binary, allBytes}},
        {"Dword", {ValueType::Dword, {0x78, 0x56, 0x34, 0x12}}},
        {"Multi", {ValueType::MultiString, BytesOf(std::string_view("a\0bc\0\0", 6))}},
    };

    RegistryKey key;
    ASSERT_EQ(store_.CreateKey(Hive::LocalMachine, path_, Access::All, key), RegResult::Success);
    for (const NamedValue& value : cases) {
        ASSERT_EQ(key.Set(value.name, value.value.type, value.value.data), RegResult::Success)
            << value.name;
    }
    EXPECT_TRUE(ExistsInView(KEY_WOW64_32KEY));
    EXPECT_FALSE(ExistsInView(KEY_WOW64_64KEY));

    // A second handle, opened fresh, reads what the first wrote.
    RegistryKey reader;
    ASSERT_EQ(store_.OpenKey(Hive::LocalMachine, path_, Access::Read, reader), RegResult::Success);
    for (const NamedValue& value : cases) {
        RegistryValue read;
        ASSERT_EQ(reader.Query(value.name, read), RegResult::Success) << value.name;
        EXPECT_EQ(read, value.value) << value.name;
    }
    std::vector<NamedValue> listed;
    ASSERT_EQ(reader.List(listed), RegResult::Success);
    ASSERT_EQ(listed.size(), cases.size());
    for (const NamedValue& value : listed) {
        const auto same = [&](const NamedValue& wanted) { return wanted.name == value.name; };
        const auto wanted = std::find_if(cases.begin(), cases.end(), same);
        ASSERT_NE(wanted, cases.end()) << value.name;
        EXPECT_EQ(value.value, wanted->value) << value.name;
    }
}

TEST_F(Win32RegistryTest, MissingKeysAndValuesAndShortBuffersAnswerAsTheRegistryDoes) {
    RegistryKey key;
    EXPECT_EQ(store_.OpenKey(Hive::LocalMachine, path_, Access::Read, key),
              RegResult::FileNotFound);

    ASSERT_EQ(store_.CreateKey(Hive::LocalMachine, path_, Access::All, key), RegResult::Success);
    RegistryValue value;
    EXPECT_EQ(key.Query("Key6Info", value), RegResult::FileNotFound);
    EXPECT_EQ(key.Delete("Key6Info"), RegResult::FileNotFound);

    ASSERT_EQ(key.SetString("Key6Info", "6,1,C:\\A\\cfff6.wax"), RegResult::Success);
    EXPECT_EQ(key.QueryBounded("key6info", 4, value), RegResult::MoreData);
    EXPECT_EQ(value.type, ValueType::String);
    ASSERT_EQ(key.SetDword("Key6Info", 7), RegResult::Success);  // replaces type and data
    ASSERT_EQ(key.Query("KEY6INFO", value), RegResult::Success);
    EXPECT_EQ(value, (RegistryValue{ValueType::Dword, {7, 0, 0, 0}}));

    EXPECT_EQ(key.Delete("Key6Info"), RegResult::Success);
    EXPECT_EQ(key.Query("Key6Info", value), RegResult::FileNotFound);
    EXPECT_TRUE(store_.LastError().empty());
}

}  // namespace
}  // namespace zav::platform::win32
