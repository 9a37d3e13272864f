#pragma once
// The layouts of the fuzz inputs that carry more than one file's bytes: a few leading bytes
// choose what the rest of the input is stored as. The targets decode them and the seed corpus
// maker encodes them, so both agree on one layout.
//
// Thread: any; the functions share no state.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keysound/config_store.h"
#include "keysound/key_slots.h"
#include "platform/registry/registry.h"

namespace zav::fuzz {

using Input = std::span<const std::uint8_t>;

// The values ReadConfigValue reads, in the order the first byte of its input picks them.
inline std::array<std::string_view, 2 + keyvoice::kRecordableSlotCount> ConfigValueNames() {
    return {keyvoice::kDataPathValue,      keyvoice::kZavSysPathValue,
            keyvoice::KeyInfoValueName(0), keyvoice::KeyInfoValueName(1),
            keyvoice::KeyInfoValueName(2), keyvoice::KeyInfoValueName(3),
            keyvoice::KeyInfoValueName(4)};
}

// config_value_fuzzer: [value name][type][soundVariant, signed][value data ...].
struct ConfigValueInput {
    std::string_view name;
    platform::ValueType type = platform::ValueType::None;
    std::int32_t soundVariant = keyvoice::kDefaultSoundVariant;
    Input data;
};

inline std::optional<ConfigValueInput> DecodeConfigValueInput(Input input) {
    constexpr std::size_t kHeader = 3;
    if (input.size() < kHeader)
        return std::nullopt;
    const auto names = ConfigValueNames();
    return ConfigValueInput{names[input[0] % names.size()],
                            static_cast<platform::ValueType>(input[1]),
                            static_cast<std::int8_t>(input[2]), input.subspan(kHeader)};
}

inline std::vector<std::uint8_t> EncodeConfigValueInput(std::size_t nameIndex,
                                                        platform::ValueType type,
                                                        std::int8_t soundVariant, Input data) {
    std::vector<std::uint8_t> input = {static_cast<std::uint8_t>(nameIndex),
                                       static_cast<std::uint8_t>(type),
                                       static_cast<std::uint8_t>(soundVariant)};
    input.insert(input.end(), data.begin(), data.end());
    return input;
}

// mic_map_fuzzer: [type][MicMap data ...].
struct MicMapInput {
    platform::ValueType type = platform::ValueType::None;
    Input data;
};

inline std::optional<MicMapInput> DecodeMicMapInput(Input input) {
    if (input.empty())
        return std::nullopt;
    return MicMapInput{static_cast<platform::ValueType>(input[0]), input.subspan(1)};
}

inline std::vector<std::uint8_t> EncodeMicMapInput(platform::ValueType type, Input data) {
    std::vector<std::uint8_t> input = {static_cast<std::uint8_t>(type)};
    input.insert(input.end(), data.begin(), data.end());
    return input;
}

// reg_file_fuzzer: [which store write fails during the import, 0 for none][.reg file ...].
struct RegImportInput {
    int failingWrite = 0;
    Input file;
};

inline std::optional<RegImportInput> DecodeRegImportInput(Input input) {
    if (input.empty())
        return std::nullopt;
    return RegImportInput{input[0], input.subspan(1)};
}

inline std::vector<std::uint8_t> EncodeRegImportInput(std::uint8_t failingWrite,
                                                      std::string_view file) {
    std::vector<std::uint8_t> input = {failingWrite};
    input.insert(input.end(), file.begin(), file.end());
    return input;
}

}  // namespace zav::fuzz
