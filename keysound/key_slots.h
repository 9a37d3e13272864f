#pragma once
// The eleven keys of the recorder: six built-in sounds and five recordable ones.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keyvoice {

inline constexpr int kKeyCount = 11;
inline constexpr int kBuiltinSlotCount = 6;
inline constexpr int kRecordableSlotCount = 5;
inline constexpr std::int32_t kNoKey = 99;  // currentKey when no key is selected

// soundVariant 1 selects the "m" set of built-in sounds, anything else the "f" set; 2 is what
// start-up uses when the setup file cannot be read.
inline constexpr std::int32_t kMaleSoundVariant = 1;
inline constexpr std::int32_t kDefaultSoundVariant = 2;

// Items of ReadConfigValue, with their numbers.
enum class ConfigItem : int {
    Key1 = 1,
    Key2 = 2,
    Key3 = 3,
    Key4 = 4,
    Key5 = 5,
    Key6Info = 6,
    Key7Info = 7,
    Key8Info = 8,
    Key9Info = 9,
    Key0Info = 10,
    KeyW = 11,
    ZavSysPath = 12,
};

enum class SlotKind { Builtin, Recordable };

struct KeySlot {
    char label;             // the key's caption: 'W', '1' ... '9', '0'
    std::int32_t keyIndex;  // currentKey when this key is selected
    int controlId;          // the key's button in the dialog
    SlotKind kind;
    int slot;         // built-in slot 0-5 or recordable slot 0-4
    ConfigItem item;  // where ReadConfigValue finds the key's sound
};

// By key index.
inline constexpr std::array<KeySlot, kKeyCount> kKeySlots{{
    {'1', 0, 1001, SlotKind::Builtin, 0, ConfigItem::Key1},
    {'2', 1, 1002, SlotKind::Builtin, 1, ConfigItem::Key2},
    {'3', 2, 1003, SlotKind::Builtin, 2, ConfigItem::Key3},
    {'4', 3, 1004, SlotKind::Builtin, 3, ConfigItem::Key4},
    {'5', 4, 1005, SlotKind::Builtin, 4, ConfigItem::Key5},
    {'6', 5, 1006, SlotKind::Recordable, 0, ConfigItem::Key6Info},
    {'7', 6, 1007, SlotKind::Recordable, 1, ConfigItem::Key7Info},
    {'8', 7, 1008, SlotKind::Recordable, 2, ConfigItem::Key8Info},
    {'9', 8, 1009, SlotKind::Recordable, 3, ConfigItem::Key9Info},
    {'0', 9, 1017, SlotKind::Recordable, 4, ConfigItem::Key0Info},
    {'W', 10, 1000, SlotKind::Builtin, 5, ConfigItem::KeyW},
}};

// The key of a slot, for the loops that run over slots in order.
const KeySlot& BuiltinKey(int builtinSlot);
const KeySlot& RecordableKey(int recordableSlot);
// The slot table entry of a key index 0-10; nothing for any other index, 99 included.
std::optional<KeySlot> KeyByIndex(std::int32_t keyIndex);

// The digit shown for a key: key index + 1, and 0 for key index 9.
int KeyDigit(std::int32_t keyIndex);

// File name of a built-in sound, appended directly to DataPath: "cffm3.wax" or "cfff3.wax".
std::string BuiltinFileName(int builtinSlot, std::int32_t soundVariant);
// File name of a recording, with its leading backslash, appended to ZavSysPath: "\cfff6.wax".
// The same in both sound sets.
std::string_view RecordedFileName(int recordableSlot);
// Registry value that registers a recording: "Key6Info" ... "Key0Info".
std::string_view KeyInfoValueName(int recordableSlot);
// KeyVoice's own value that marks a store of the slot under way: "Key6Pending" ...
std::string_view PendingStoreValueName(int recordableSlot);

}  // namespace keyvoice
