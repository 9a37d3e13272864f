// Selecting keys, the buttons of each idle phase, Erase, OK and cancel.

#include <gtest/gtest.h>

#include "keyvoice_rig.h"

namespace keyvoice_test {
namespace {

const std::string kStored0 = std::string(kSysPath) + "\\cfff0.wax";
const std::string kStored6 = std::string(kSysPath) + "\\cfff6.wax";

// A rig whose key 0 holds a stored recording.
void StoreKey0(KeyVoiceRig& rig) {
    PutWax(rig.files, kStored0, Tone(2.0, 440, 6000));
    SetZavValue(rig.store, "Key0Info", "7,1," + kStored0);
}

struct Buttons {
    bool play, rec, erase, stop;
    friend bool operator==(const Buttons&, const Buttons&) = default;
};

Buttons Transport(KeyVoiceRig& rig) {
    return {rig.Enabled(kIdcPlay), rig.Enabled(kIdcRec), rig.Enabled(kIdcErase),
            rig.Enabled(kIdcStop)};
}

TEST(KeyCommands, EachIdleSelectionShowsItsTransportButtons) {
    KeyVoiceRig rig;
    StoreKey0(rig);
    ASSERT_TRUE(rig.Open());
    EXPECT_EQ(Transport(rig), (Buttons{false, false, false, false}));  // no key yet
    EXPECT_TRUE(rig.Enabled(zav::platform::kIdOk));

    struct Case {
        int button;
        Buttons expected;
        int pushed;
    };
    const Case cases[] = {
        {kIdcKey3, {true, false, false, false}, kIdcKey3},  // built-in
        {kIdcKeyW, {true, false, false, false}, kIdcKeyW},  // built-in, the whistle
        {kIdcKey8, {false, true, false, false}, kIdcKey8},  // recordable, empty
        {kIdcKey0, {true, true, true, false}, kIdcKey0},    // recordable, stored
    };
    int previous = 0;
    for (const Case& c : cases) {
        ASSERT_TRUE(rig.Click(c.button));
        EXPECT_EQ(Transport(rig), c.expected) << c.button;
        EXPECT_TRUE(rig.View().GetButtonState(c.pushed)) << c.button;
        if (previous != 0) {
            EXPECT_FALSE(rig.View().GetButtonState(previous)) << c.button;
        }
        previous = c.button;
    }

    // Only changing the key puts the position slider back to the start.
    rig.View().UserMovesThumb(kIdcPosition, 60);
    rig.Click(kIdcKey0);
    EXPECT_EQ(rig.Slider(), 60);
    rig.Click(kIdcKey8);
    EXPECT_EQ(rig.Slider(), 0);
}

TEST(KeyCommands, EraseOfKey0DeletesItsRecordingAtOnceAndCancelDoesNotBringItBack) {
    KeyVoiceRig rig;
    StoreKey0(rig);
    ASSERT_TRUE(rig.Open());
    rig.Click(kIdcKey0);

    rig.boxes.answers = {zav::platform::MessageAnswer::Cancel};
    rig.Click(kIdcErase);
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    const sim::ShownMessage& question = rig.boxes.shown[0];
    EXPECT_EQ(question.text, "Are you sure you want to erase key 0 sound ?");
    EXPECT_EQ(question.caption, "Erase");
    EXPECT_EQ(question.style.Bits(), 0x101u);  // OK and Cancel, Cancel the default, no icon
    EXPECT_TRUE(rig.Recordable(4).StoredRecording());

    rig.Click(kIdcErase);  // OK this time
    EXPECT_FALSE(rig.Recordable(4).StoredRecording());
    EXPECT_FALSE(ZavText(rig.store, "Key0Info").has_value());
    EXPECT_FALSE(rig.files.Exists(kStored0));
    EXPECT_EQ(Transport(rig), (Buttons{false, true, false, false}));

    rig.window->PressEscape();
    EXPECT_EQ(rig.window->Result(), zav::platform::kIdCancel);
    EXPECT_FALSE(ZavText(rig.store, "Key0Info").has_value());
    EXPECT_FALSE(rig.files.Exists(kStored0));
}

TEST(KeyCommands, EraseAfterPlayingTheStoredSoundThenOfANewTakeThenCancelTouchesNothingFreed) {
    KeyVoiceRig rig;
    PutWax(rig.files, kStored6, Tone(0.3, 440, 6000));
    SetZavValue(rig.store, "Key6Info", "7,1," + kStored6);
    ASSERT_TRUE(rig.Open());
    rig.Click(kIdcKey6);
    rig.Click(kIdcPlay);
    rig.Advance(500);  // to its end
    ASSERT_EQ(rig.dialog->StateOfKey(rig.dialog->CurrentKey()), KeyState::Idle);
    rig.boxes.answers = {zav::platform::MessageAnswer::Ok};
    rig.Click(kIdcErase);
    ASSERT_FALSE(rig.Recordable(0).stored.has_value());

    // Erasing a take that was never stored leaves store and disk alone.
    rig.Click(kIdcRec);
    rig.Advance(2100);
    ASSERT_TRUE(rig.Recordable(0).newRecording);
    const auto filesBefore = rig.files.Files();
    rig.Click(kIdcErase);
    EXPECT_FALSE(rig.Recordable(0).newRecording);
    EXPECT_EQ(rig.files.Files(), filesBefore);
    EXPECT_FALSE(ZavText(rig.store, "Key6Info").has_value());
    EXPECT_EQ(Transport(rig), (Buttons{false, true, false, false}));

    // Under AddressSanitizer: the end of the dialog does not write into the erased sounds.
    rig.window->PressEscape();
    EXPECT_EQ(rig.window->Result(), zav::platform::kIdCancel);
    EXPECT_EQ(rig.card.ViolationCount(), 0u);
}

TEST(KeyCommands, EraseWithoutZavSysPathChangesNothing) {
    // A missing value and an empty one alike: an empty folder would lead to the drive's root.
    for (const bool empty : {false, true}) {
        SCOPED_TRACE(empty ? "empty" : "missing");
        KeyVoiceRig rig;
        StoreKey0(rig);
        rig.files.Put("\\cfff0.wax", {1, 2, 3});
        ASSERT_TRUE(rig.Open());
        {
            zav::platform::RegistryKey key;
            rig.store.OpenKey(kZavHive, kZavKeyPath, zav::platform::Access::All, key);
            if (empty)
                key.SetString("ZavSysPath", "");
            else
                key.Delete("ZavSysPath");
        }
        rig.Click(kIdcKey0);
        rig.Click(kIdcErase);
        EXPECT_TRUE(rig.Recordable(4).StoredRecording());
        EXPECT_TRUE(rig.files.Exists(kStored0));
        EXPECT_TRUE(rig.files.Exists("\\cfff0.wax"));
        EXPECT_TRUE(ZavText(rig.store, "Key0Info").has_value());
    }
}

TEST(KeyCommands, TheAboutItemOpensTheAboutBoxAndOkWithNothingNewWritesNothing) {
    KeyVoiceRig rig;
    ASSERT_TRUE(rig.Open());
    ASSERT_EQ(rig.View().SystemMenuItems().size(), 1u);
    EXPECT_EQ(rig.View().SystemMenuItems()[0].text, "About (&A)...");
    EXPECT_TRUE(rig.dialog->OnSysCommand(kIdmAboutBox | 0x3));  // the low four bits are masked
    ASSERT_EQ(rig.runner.Runs().size(), 1u);
    EXPECT_EQ(rig.runner.Runs()[0].templateId, kIddAboutBox);
    EXPECT_FALSE(rig.dialog->OnSysCommand(zav::platform::kSysCommandClose));

    rig.Click(kIdcKey1);
    rig.window->PressEnter();
    EXPECT_EQ(rig.window->Result(), zav::platform::kIdOk);
    EXPECT_EQ(rig.files.ReplaceCalls(), 6);  // the six built-in sounds the rig installed
    EXPECT_FALSE(ZavText(rig.store, "Key6Info").has_value());
}

}  // namespace
}  // namespace keyvoice_test
