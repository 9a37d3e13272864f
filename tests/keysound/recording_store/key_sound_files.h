#pragma once
// Sounds and store values for the zavtool key command tests.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "keysound/config_store.h"
#include "platform/registry/registry.h"

namespace store_test {

inline std::vector<std::int16_t> Sine(std::size_t count, double period, double amplitude) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = static_cast<std::int16_t>(std::lround(
            amplitude * std::sin(2 * std::numbers::pi * static_cast<double>(i) / period)));
    }
    return samples;
}

inline void SetZavValue(zav::platform::RegistryStore& registry, std::string_view name,
                        std::string_view text) {
    zav::platform::RegistryKey key;
    registry.CreateKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, zav::platform::Access::All, key);
    key.SetString(name, text);
}

inline std::optional<std::string> ZavValue(zav::platform::RegistryStore& registry,
                                           std::string_view name) {
    zav::platform::RegistryKey key;
    if (registry.OpenKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, zav::platform::Access::Read,
                         key) != zav::platform::RegResult::Success) {
        return std::nullopt;
    }
    zav::platform::RegistryValue value;
    if (key.Query(name, value) != zav::platform::RegResult::Success)
        return std::nullopt;
    return std::string(value.data.begin(), value.data.end());
}

}  // namespace store_test
