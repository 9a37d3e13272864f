#include "keysound/config_store.h"

#include <algorithm>
#include <vector>

namespace keyvoice {

using zav::platform::Access;
using zav::platform::RegistryKey;
using zav::platform::RegistryValue;
using zav::platform::RegResult;

namespace {

constexpr std::string_view kSetupFileName = "\\setup.zav";
constexpr std::size_t kSetupRecordSize = 280;
constexpr std::size_t kSoundVariantOffset = 268;

bool IsKeyInfoItem(ConfigItem item) {
    return item >= ConfigItem::Key6Info && item <= ConfigItem::Key0Info;
}

bool IsBuiltinItem(ConfigItem item) {
    return (item >= ConfigItem::Key1 && item <= ConfigItem::Key5) || item == ConfigItem::KeyW;
}

int SlotOfItem(ConfigItem item) {
    for (const KeySlot& key : kKeySlots) {
        if (key.item == item)
            return key.slot;
    }
    return -1;
}

}  // namespace

std::optional<std::string> ConfigStore::ReadValueText(std::string_view valueName,
                                                      std::size_t maxBytes) const {
    // Full access even for reading, as the host product's own tools open the key.
    RegistryKey key;
    RegResult result = registry_.OpenKey(kZavHive, kZavKeyPath, Access::All, key);
    RegistryValue value;
    if (result == RegResult::Success)
        result = key.QueryBounded(valueName, maxBytes, value);
    NoteReadResult(result);
    if (result != RegResult::Success)
        return std::nullopt;
    // The type is not checked: the text runs to its terminating zero or the end of the data.
    auto end = std::find(value.data.begin(), value.data.end(), std::uint8_t{0});
    return std::string(value.data.begin(), end);
}

std::optional<std::string> ConfigStore::ReadConfigValue(ConfigItem item) const {
    if (IsBuiltinItem(item)) {
        std::optional<std::string> folder = ReadValueText(kDataPathValue, kConfigValueLimit);
        if (!folder)
            return std::nullopt;
        return *folder + BuiltinFileName(SlotOfItem(item), soundVariant_);
    }
    if (IsKeyInfoItem(item)) {
        std::optional<std::string> text =
            ReadValueText(KeyInfoValueName(SlotOfItem(item)), kConfigValueLimit);
        if (!text)
            return std::nullopt;
        return ParseKeyInfoPath(*text);
    }
    if (item == ConfigItem::ZavSysPath) {
        std::optional<std::string> folder = ReadValueText(kZavSysPathValue, kConfigValueLimit);
        if (folder && folder->empty())
            return std::nullopt;
        return folder;
    }
    return std::nullopt;
}

void ConfigStore::WriteConfigValue(std::string_view text, std::string_view valueName) const {
    TryWriteConfigValue(text, valueName);
}

bool ConfigStore::TryWriteConfigValue(std::string_view text, std::string_view valueName) const {
    RegistryKey key;
    return registry_.CreateKey(kZavHive, kZavKeyPath, Access::All, key) == RegResult::Success &&
           key.SetString(valueName, text) == RegResult::Success;
}

void ConfigStore::NoteReadResult(RegResult result) const {
    storeFailure_.clear();
    if (result == RegResult::Success || result == RegResult::FileNotFound ||
        result == RegResult::MoreData) {
        return;
    }
    storeFailure_ = std::string(zav::platform::RegResultText(result));
    if (std::string detail = registry_.LastError(); !detail.empty())
        storeFailure_ += " (" + detail + ")";
}

RegResult ConfigStore::DeleteConfigValue(std::string_view valueName) const {
    RegistryKey key;
    if (RegResult opened = OpenKeyForDeleting(key); opened != RegResult::Success)
        return opened;
    return key.Delete(valueName);
}

RegResult ConfigStore::OpenKeyForDeleting(RegistryKey& key) const {
    return registry_.OpenKey(kZavHive, kZavKeyPath, Access::All, key);
}

std::string FormatKeyInfo(std::string_view path, SoundClass soundClass, std::int32_t level) {
    char classDigit = '1';  // Irregular and Silent
    if (soundClass == SoundClass::Periodic)
        classDigit = '0';
    if (soundClass == SoundClass::InBand)
        classDigit = '2';
    std::string text = std::to_string(level);
    text += ',';
    text += classDigit;
    text += ',';
    text += path;
    return text;
}

std::optional<std::string> ParseKeyInfoPath(std::string_view text) {
    constexpr int kPathField = 3;
    std::size_t position = 0;
    for (int field = 1;; ++field) {
        position = text.find_first_not_of(',', position);
        if (position == std::string_view::npos)
            return std::nullopt;
        std::size_t end = std::min(text.find(',', position), text.size());
        if (field == kPathField)
            return std::string(text.substr(position, end - position));
        position = end;
    }
}

std::int32_t ReadSoundVariant(const ConfigStore& config, zav::platform::FileSystem& files) {
    std::optional<std::string> folder = config.ReadConfigValue(ConfigItem::ZavSysPath);
    if (!folder)
        return kDefaultSoundVariant;
    std::vector<std::uint8_t> record;
    if (!files.ReadPrefix(*folder + std::string(kSetupFileName), kSetupRecordSize, record).Ok() ||
        record.size() < kSetupRecordSize) {
        return kDefaultSoundVariant;
    }
    return static_cast<std::int8_t>(record[kSoundVariantOffset]);
}

}  // namespace keyvoice
