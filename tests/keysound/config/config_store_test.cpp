#include <gtest/gtest.h>

#include "keysound/config_store.h"
#include "platform/testing/memory_file_system.h"
#include "platform/testing/memory_registry.h"
#include "tests/support/zav_values.h"

namespace {

using keyvoice::ConfigItem;
using keyvoice::ConfigStore;
using keyvoice::SoundClass;
using zav::platform::Access;
using zav::platform::RegistryKey;
using zav::platform::RegResult;

class ConfigStoreTest : public ::testing::Test {
  protected:
    void SetValue(std::string_view name, std::string_view text) {
        zav::test::SetZavValue(registry, name, text);
    }
    void SetBytes(std::string_view name, const std::vector<std::uint8_t>& bytes) {
        RegistryKey key;
        ASSERT_EQ(registry.CreateKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, Access::All, key),
                  RegResult::Success);
        ASSERT_EQ(key.Set(name, zav::platform::ValueType::Binary, bytes), RegResult::Success);
    }
    zav::platform::sim::MemoryRegistry registry;
    zav::platform::sim::MemoryFileSystem files;
};

TEST_F(ConfigStoreTest, BuiltinItemsAppendTheFileNameToDataPathAsItIs) {
    SetValue("DataPath", "D:\\SOUND\\");
    ConfigStore male(registry, 1);
    ConfigStore female(registry, 2);
    EXPECT_EQ(male.ReadConfigValue(ConfigItem::Key3), "D:\\SOUND\\cffm3.wax");
    EXPECT_EQ(female.ReadConfigValue(ConfigItem::Key3), "D:\\SOUND\\cfff3.wax");
    EXPECT_EQ(female.ReadConfigValue(ConfigItem::Key1), "D:\\SOUND\\cfff1.wax");
    EXPECT_EQ(male.ReadConfigValue(ConfigItem::KeyW), "D:\\SOUND\\cffmw.wax");
    // Without a separator the name is glued on.
    SetValue("DataPath", "D:\\SOUND");
    EXPECT_EQ(ConfigStore(registry).ReadConfigValue(ConfigItem::Key3), "D:\\SOUNDcfff3.wax");
}

TEST_F(ConfigStoreTest, KeyInfoItemsGiveThePathField) {
    SetValue("Key8Info", "12,2,C:\\APPS\\SYS\\cfff8.wax");
    SetValue("Key0Info", ",,12,2,C:\\X.wax");
    SetValue("Key6Info", "12,C:\\X.wax");
    ConfigStore config(registry);
    EXPECT_EQ(config.ReadConfigValue(ConfigItem::Key8Info), "C:\\APPS\\SYS\\cfff8.wax");
    EXPECT_EQ(config.ReadConfigValue(ConfigItem::Key0Info), "C:\\X.wax");
    EXPECT_EQ(config.ReadConfigValue(ConfigItem::Key6Info), std::nullopt);
    EXPECT_EQ(config.ReadConfigValue(ConfigItem::Key7Info), std::nullopt);
}

TEST_F(ConfigStoreTest, ZavSysPathIsTheValueItselfAndOtherItemsGiveNothing) {
    SetValue("ZavSysPath", "C:\\APPS\\SYS");
    ConfigStore config(registry);
    EXPECT_EQ(config.ReadConfigValue(ConfigItem::ZavSysPath), "C:\\APPS\\SYS");
    EXPECT_EQ(config.ReadConfigValue(static_cast<ConfigItem>(0)), std::nullopt);
    EXPECT_EQ(config.ReadConfigValue(static_cast<ConfigItem>(13)), std::nullopt);
}

TEST_F(ConfigStoreTest, MissingKeyOrValueGivesNothing) {
    ConfigStore config(registry);
    EXPECT_EQ(config.ReadConfigValue(ConfigItem::ZavSysPath), std::nullopt);
    SetValue("DataPath", "D:\\");
    EXPECT_EQ(config.ReadConfigValue(ConfigItem::ZavSysPath), std::nullopt);
    SetValue("ZavSysPath", "");  // names no folder
    EXPECT_EQ(config.ReadConfigValue(ConfigItem::ZavSysPath), std::nullopt);
}

TEST_F(ConfigStoreTest, ValuesUpToTheLimitAreReadAndLongerOnesAreNot) {
    const std::string longest(keyvoice::kConfigValueLimit, 'a');
    SetValue("ZavSysPath", longest);
    SetValue("DataPath", longest);
    ConfigStore config(registry);
    EXPECT_EQ(config.ReadConfigValue(ConfigItem::ZavSysPath), longest);
    EXPECT_EQ(config.ReadConfigValue(ConfigItem::Key2), longest + "cfff2.wax");
    SetValue("ZavSysPath", longest + "b");
    EXPECT_EQ(config.ReadConfigValue(ConfigItem::ZavSysPath), std::nullopt);
}

TEST_F(ConfigStoreTest, TextEndsAtItsTerminatingZeroWhateverTheValueType) {
    SetBytes("ZavSysPath", {'C', ':', '\\', 'Z', 0, 'j', 'u', 'n', 'k'});
    EXPECT_EQ(ConfigStore(registry).ReadConfigValue(ConfigItem::ZavSysPath), "C:\\Z");
}

TEST_F(ConfigStoreTest, WriteCreatesTheKeyAndStoresTheTextWithoutZeroAndDeleteRemovesIt) {
    const ConfigStore config(registry);
    const std::string text = "7,1,C:\\APPS\\SYS\\cfff7.wax";
    config.WriteConfigValue(text, "Key7Info");
    const auto value = zav::test::ZavValue(registry, "Key7Info");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, zav::platform::ValueType::String);
    EXPECT_EQ(value->data, std::vector<std::uint8_t>(text.begin(), text.end()));

    EXPECT_EQ(config.DeleteConfigValue("Key7Info"), RegResult::Success);
    EXPECT_EQ(config.ReadConfigValue(ConfigItem::Key7Info), std::nullopt);
    EXPECT_EQ(config.DeleteConfigValue("Key7Info"), RegResult::FileNotFound);
}

TEST(FormatKeyInfo, WritesLevelClassDigitAndPath) {
    struct Row {
        std::int32_t level;
        SoundClass soundClass;
        const char* text;
    };
    const Row rows[] = {
        {7, SoundClass::Irregular, "7,1,C:\\APPS\\SYS\\cfff7.wax"},
        {0, SoundClass::InBand, "0,2,C:\\APPS\\SYS\\cfff7.wax"},
        {15, SoundClass::Periodic, "15,0,C:\\APPS\\SYS\\cfff7.wax"},
        {3, SoundClass::Silent, "3,1,C:\\APPS\\SYS\\cfff7.wax"},
        {-4, SoundClass::Periodic, "-4,0,C:\\APPS\\SYS\\cfff7.wax"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(keyvoice::FormatKeyInfo("C:\\APPS\\SYS\\cfff7.wax", row.soundClass, row.level),
                  row.text);
    }
}

TEST(ParseKeyInfoPath, TakesTheThirdFieldOfCommaRuns) {
    struct Row {
        const char* text;
        std::optional<std::string> path;
    };
    const Row rows[] = {
        {"12,2,C:\\APPS\\SYS\\cfff8.wax", "C:\\APPS\\SYS\\cfff8.wax"},
        {",,12,2,C:\\X.wax", "C:\\X.wax"},
        {"1,,,2,,,C:\\X.wax,,rest,more", "C:\\X.wax"},
        {"12,C:\\X.wax", std::nullopt},
        {"12,2,", std::nullopt},
        {"", std::nullopt},
        {",,,", std::nullopt},
        {"a,b,c", "c"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(keyvoice::ParseKeyInfoPath(row.text), row.path) << row.text;
}

class SoundVariantTest : public ConfigStoreTest {
  protected:
    std::int32_t Variant() { return keyvoice::ReadSoundVariant(ConfigStore(registry), files); }
};

TEST_F(SoundVariantTest, TakesTheSignedByteAtOffset268) {
    SetValue("ZavSysPath", "C:\\APPS\\SYS");
    for (std::uint8_t byte : {0x01, 0x00, 0x05, 0xFF}) {
        std::vector<std::uint8_t> setup(280, 0x01);
        setup[268] = byte;
        files.Put("C:\\APPS\\SYS\\setup.zav", setup);
        EXPECT_EQ(Variant(), static_cast<std::int8_t>(byte));
    }
}

TEST_F(SoundVariantTest, IsTwoWhenTheSetupFileIsMissingOrShort) {
    EXPECT_EQ(Variant(), 2) << "no ZavSysPath";
    SetValue("ZavSysPath", "C:\\APPS\\SYS");
    EXPECT_EQ(Variant(), 2) << "no setup file";
    files.Put("C:\\APPS\\SYS\\setup.zav", std::vector<std::uint8_t>(279, 0x01));
    EXPECT_EQ(Variant(), 2) << "short record";
    files.Put("C:\\APPS\\SYS\\setup.zav", std::vector<std::uint8_t>(5000, 0x01));
    EXPECT_EQ(Variant(), 1) << "longer files are read for their first record";
}

}  // namespace
