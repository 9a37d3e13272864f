// Stores one of the values KeyVoice reads (DataPath, ZavSysPath, Key6Info ... Key0Info) with
// arbitrary type and data, and reads every item. An item built from the value gives the value's
// text (up to its first zero byte) as the item's kind uses it; an item built from another value,
// a value over the size limit and an unknown item give nothing.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_inputs.h"
#include "keysound/config_store.h"
#include "platform/testing/memory_registry.h"

namespace {

using keyvoice::ConfigItem;
using zav::fuzz::Require;

// The fields of a KeyNInfo text, empty ones dropped: split at every comma, unlike the
// parser's scan for the third field.
std::vector<std::string_view> NonEmptyFields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ',') {
            if (i > start)
                fields.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return fields;
}

struct ItemSource {
    ConfigItem item;
    std::string_view valueName;  // empty for an item that reads no value
    std::optional<int> builtinSlot;
};

std::vector<ItemSource> EveryItem() {
    std::vector<ItemSource> items;
    for (const keyvoice::KeySlot& key : keyvoice::kKeySlots) {
        if (key.kind == keyvoice::SlotKind::Builtin)
            items.push_back({key.item, keyvoice::kDataPathValue, key.slot});
        else
            items.push_back({key.item, keyvoice::KeyInfoValueName(key.slot), std::nullopt});
    }
    items.push_back({ConfigItem::ZavSysPath, keyvoice::kZavSysPathValue, std::nullopt});
    for (int unknown : {0, 13, -1})
        items.push_back({static_cast<ConfigItem>(unknown), {}, std::nullopt});
    return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = zav::fuzz::DecodeConfigValueInput({data, size});
    if (!input)
        return 0;
    zav::platform::sim::MemoryRegistry registry;
    zav::platform::RegistryKey key;
    registry.CreateKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, zav::platform::Access::All, key);
    key.Set(input->name, input->type, input->data);
    const keyvoice::ConfigStore config(registry, input->soundVariant);

    const std::string_view value(reinterpret_cast<const char*>(input->data.data()),
                                 input->data.size());
    const std::string_view text = value.substr(0, value.find('\0'));
    const bool readable = value.size() <= keyvoice::kConfigValueLimit;

    for (const ItemSource& source : EveryItem()) {
        const std::optional<std::string> result = config.ReadConfigValue(source.item);
        if (source.valueName != input->name || !readable) {
            Require(!result, "an item gives nothing without its value or over the size limit");
            continue;
        }
        if (source.builtinSlot) {
            const std::string fileName =
                keyvoice::BuiltinFileName(*source.builtinSlot, input->soundVariant);
            Require(result && result->size() <= value.size() + fileName.size(),
                    "a built-in sound's path is no longer than DataPath and its file name");
            Require(*result == std::string(text) + fileName,
                    "a built-in sound's path is DataPath's text followed by its file name");
        } else if (source.item == ConfigItem::ZavSysPath) {
            if (text.empty()) {
                Require(!result, "an empty ZavSysPath names no folder");
                continue;
            }
            Require(result && result->size() <= value.size(),
                    "ZavSysPath is no longer than its value");
            Require(*result == text, "ZavSysPath is its value's text");
        } else {
            const std::vector<std::string_view> fields = NonEmptyFields(text);
            if (fields.size() < 3) {
                Require(!result, "a KeyNInfo text of fewer than three fields gives no path");
                continue;
            }
            Require(result && !result->empty() && result->find(',') == std::string::npos &&
                        text.find(*result) != std::string_view::npos,
                    "a KeyNInfo path is a comma-free part of the value");
            Require(*result == fields[2], "a KeyNInfo path is the text's third field");
        }
    }
    return 0;
}
