#include <gtest/gtest.h>

#include <set>

#include "keysound/key_slots.h"

namespace {

using keyvoice::BuiltinFileName;
using keyvoice::kKeySlots;
using keyvoice::SlotKind;

TEST(KeySlots, EveryKeyIndexControlAndSlotAppearsOnce) {
    std::set<int> indexes, controls, builtin, recordable;
    for (std::size_t i = 0; i < kKeySlots.size(); ++i) {
        const keyvoice::KeySlot& key = kKeySlots[i];
        EXPECT_EQ(key.keyIndex, static_cast<int>(i)) << "table is ordered by key index";
        indexes.insert(key.keyIndex);
        controls.insert(key.controlId);
        (key.kind == SlotKind::Builtin ? builtin : recordable).insert(key.slot);
    }
    EXPECT_EQ(indexes.size(), 11u);
    EXPECT_EQ(controls.size(), 11u);
    EXPECT_EQ(builtin, (std::set<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(recordable, (std::set<int>{0, 1, 2, 3, 4}));
}

TEST(KeySlots, KeysMapToTheirControlsAndDigits) {
    struct Row {
        std::int32_t keyIndex;
        char label;
        int controlId;
        int digit;
    };
    const Row rows[] = {{0, '1', 1001, 1}, {4, '5', 1005, 5}, {5, '6', 1006, 6},
                        {8, '9', 1009, 9}, {9, '0', 1017, 0}, {10, 'W', 1000, 11}};
    for (const Row& row : rows) {
        auto key = keyvoice::KeyByIndex(row.keyIndex);
        ASSERT_TRUE(key.has_value());
        EXPECT_EQ(key->label, row.label);
        EXPECT_EQ(key->controlId, row.controlId);
        if (row.keyIndex <= 9) {
            EXPECT_EQ(keyvoice::KeyDigit(row.keyIndex), row.digit);
        }
    }
    EXPECT_FALSE(keyvoice::KeyByIndex(keyvoice::kNoKey).has_value());
    EXPECT_FALSE(keyvoice::KeyByIndex(-1).has_value());
}

TEST(KeySlots, WhistleUsesItemElevenNotASixthNumber) {
    EXPECT_EQ(keyvoice::BuiltinKey(5).label, 'W');
    EXPECT_EQ(keyvoice::BuiltinKey(5).item, keyvoice::ConfigItem::KeyW);
    EXPECT_EQ(static_cast<int>(keyvoice::ConfigItem::KeyW), 11);
}

TEST(KeySlots, BuiltinFileNamesFollowTheSoundVariant) {
    struct Row {
        int slot;
        std::int32_t variant;
        const char* name;
    };
    const Row rows[] = {
        {2, 1, "cffm3.wax"},  {2, 0, "cfff3.wax"}, {2, 2, "cfff3.wax"},
        {2, -1, "cfff3.wax"}, {2, 5, "cfff3.wax"}, {0, 1, "cffm1.wax"},
        {4, 2, "cfff5.wax"},  {5, 1, "cffmw.wax"}, {5, 2, "cfffw.wax"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(BuiltinFileName(row.slot, row.variant), row.name)
            << "slot " << row.slot << " variant " << row.variant;
    }
}

TEST(KeySlots, RecordedFilesAndValuesAreTheSameInBothSets) {
    const char* files[] = {"\\cfff6.wax", "\\cfff7.wax", "\\cfff8.wax", "\\cfff9.wax",
                           "\\cfff0.wax"};
    const char* values[] = {"Key6Info", "Key7Info", "Key8Info", "Key9Info", "Key0Info"};
    for (int slot = 0; slot < keyvoice::kRecordableSlotCount; ++slot) {
        EXPECT_EQ(keyvoice::RecordedFileName(slot), files[slot]);
        EXPECT_EQ(keyvoice::KeyInfoValueName(slot), values[slot]);
    }
}

}  // namespace
