#pragma once
// One value of the key both programs keep their settings in (KeyVoice's paths and keys,
// VoxGauge's MicEnv and MicMap), set by a test or read back as stored.

#include <optional>
#include <string>
#include <string_view>

#include "keysound/config_store.h"
#include "platform/registry/registry.h"

namespace zav::test {

inline void SetZavValue(platform::RegistryStore& store, std::string_view name,
                        std::string_view text) {
    platform::RegistryKey key;
    store.CreateKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, platform::Access::All, key);
    key.SetString(name, text);
}

// Nothing when the key or the value is missing.
inline std::optional<platform::RegistryValue> ZavValue(platform::RegistryStore& store,
                                                       std::string_view name) {
    platform::RegistryKey key;
    platform::RegistryValue value;
    if (store.OpenKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, platform::Access::Read, key) !=
            platform::RegResult::Success ||
        key.Query(name, value) != platform::RegResult::Success) {
        return std::nullopt;
    }
    return value;
}
inline std::optional<std::string> ZavText(platform::RegistryStore& store, std::string_view name) {
    const std::optional<platform::RegistryValue> value = ZavValue(store, name);
    if (!value)
        return std::nullopt;
    return std::string(value->data.begin(), value->data.end());
}

}  // namespace zav::test
