#include "keysound/key_slots.h"

#include <cassert>
#include <cctype>

#include "keysound/slot_state.h"

namespace keyvoice {

namespace {

constexpr std::array<std::string_view, kRecordableSlotCount> kRecordedFileNames{
    "\\cfff6.wax", "\\cfff7.wax", "\\cfff8.wax", "\\cfff9.wax", "\\cfff0.wax"};
constexpr std::array<std::string_view, kRecordableSlotCount> kKeyInfoValueNames{
    "Key6Info", "Key7Info", "Key8Info", "Key9Info", "Key0Info"};

const KeySlot& FindSlot(SlotKind kind, int slot) {
    for (const KeySlot& key : kKeySlots) {
        if (key.kind == kind && key.slot == slot)
            return key;
    }
    assert(false && "slot number out of range");
    return kKeySlots.front();
}

}  // namespace

const KeySlot& BuiltinKey(int builtinSlot) {
    return FindSlot(SlotKind::Builtin, builtinSlot);
}

const KeySlot& RecordableKey(int recordableSlot) {
    return FindSlot(SlotKind::Recordable, recordableSlot);
}

std::optional<KeySlot> KeyByIndex(std::int32_t keyIndex) {
    if (keyIndex < 0 || keyIndex >= kKeyCount)
        return std::nullopt;
    return kKeySlots[static_cast<std::size_t>(keyIndex)];
}

int KeyDigit(std::int32_t keyIndex) {
    return keyIndex == 9 ? 0 : keyIndex + 1;
}

std::string BuiltinFileName(int builtinSlot, std::int32_t soundVariant) {
    std::string name = soundVariant == kMaleSoundVariant ? "cffm" : "cfff";
    name +=
        static_cast<char>(std::tolower(static_cast<unsigned char>(BuiltinKey(builtinSlot).label)));
    name += ".wax";
    return name;
}

std::string_view RecordedFileName(int recordableSlot) {
    return kRecordedFileNames.at(static_cast<std::size_t>(recordableSlot));
}

constexpr std::array<std::string_view, kRecordableSlotCount> kPendingValueNames{
    "Key6Pending", "Key7Pending", "Key8Pending", "Key9Pending", "Key0Pending"};

std::string_view PendingStoreValueName(int recordableSlot) {
    return kPendingValueNames.at(static_cast<std::size_t>(recordableSlot));
}

std::string_view KeyInfoValueName(int recordableSlot) {
    return kKeyInfoValueNames.at(static_cast<std::size_t>(recordableSlot));
}

PlayRange WholeRange(Sound& sound) {
    return {sound.Bytes(), sound.Bytes() + sound.ByteCount(), 0};
}

}  // namespace keyvoice
