// The recorder's start-up: its checks in their order, what each failure shows, and what a
// successful start leaves.

#include <gtest/gtest.h>

#include <functional>
#include <new>

#include "keyvoice_rig.h"

namespace keyvoice_test {
namespace {

using platform::MessageIcon;
using platform::TimerCaps;

TEST(StartUp, ANormalStartLoadsEveryKeyAndShowsNothing) {
    KeyVoiceRig rig;
    rig.timer.SetCaps(TimerCaps{100, 1000});  // the shortest period may be a hundred ms
    PutWax(rig.files, std::string(kSysPath) + "\\cfff7.wax", Tone(2.0, 500, 4000));
    SetZavValue(rig.store, "Key7Info", "3,1," + std::string(kSysPath) + "\\cfff7.wax");
    // A recording that cannot be found leaves its key empty without a word.
    SetZavValue(rig.store, "Key9Info", "5,0," + std::string(kSysPath) + "\\cfff9.wax");
    ASSERT_TRUE(rig.Open());
    EXPECT_TRUE(rig.boxes.shown.empty());
    for (int slot = 0; slot < kBuiltinSlotCount; ++slot)
        EXPECT_TRUE(rig.dialog->Slots().builtin[static_cast<std::size_t>(slot)].BuiltinLoaded());
    for (int slot = 0; slot < kRecordableSlotCount; ++slot) {
        EXPECT_TRUE(rig.Recordable(slot).RecordBufferReady());
        EXPECT_EQ(rig.Recordable(slot).StoredRecording(), slot == 1) << slot;
    }
    EXPECT_EQ(rig.dialog->CurrentKey(), kNoKey);
    EXPECT_EQ(rig.timer.OutstandingPeriodRequests(kTimerResolutionMs), 1u);
    EXPECT_EQ(rig.View().SystemMenuItems().size(), 1u);
    EXPECT_EQ(rig.View().Control(kIdcPlay).toolTip, "PLAY");
    EXPECT_TRUE(rig.dialog->Meter().IsCreated());
    rig.Click(kIdcKey9);
    EXPECT_FALSE(rig.Enabled(kIdcPlay));
    EXPECT_TRUE(rig.Enabled(kIdcRec));
}

TEST(StartUp, EachFailureShowsItsOwnMessageAndStopsTheDialog) {
    struct Case {
        const char* what;
        bool outputs;
        bool inputs;
        bool installed;
        std::function<void(KeyVoiceRig&)> arrange;
        const char* text;  // nullptr: the start ends silently
    };
    const auto nothing = [](KeyVoiceRig&) {};
    const Case cases[] = {
        {"no devices and no installation: the devices come first", false, false, false, nothing,
         "The voice play device could not be found."},
        {"no input device", true, false, true, nothing,
         "The voice recording device could not be found."},
        {"DataPath missing", true, true, true,
         [](KeyVoiceRig& rig) {
             platform::RegistryKey key;
             rig.store.OpenKey(kZavHive, kZavKeyPath, platform::Access::All, key);
             key.Delete("DataPath");
         },
         "Zav was not installed."},
        {"timer too coarse", true, true, true,
         [](KeyVoiceRig& rig) {
             rig.timer.SetCaps(TimerCaps{101, 1000});
         },
         "System Timer error is occured. Please restart your computer and try again."},
        {"timer resolution refused", true, true, true,
         [](KeyVoiceRig& rig) { rig.timer.RefuseBeginPeriod(true); }, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RigOptions options;
        options.installed = c.installed;
        if (!c.outputs)
            options.card.outputs.clear();
        if (!c.inputs)
            options.card.inputs.clear();
        KeyVoiceRig rig(options);
        c.arrange(rig);
        EXPECT_FALSE(rig.Open());
        if (c.text == nullptr) {
            EXPECT_TRUE(rig.boxes.shown.empty());
            continue;
        }
        EXPECT_EQ(rig.Texts(), std::vector<std::string>{c.text});
        ASSERT_FALSE(rig.boxes.shown.empty());
        EXPECT_EQ(rig.boxes.shown.front().caption, "Error");
        EXPECT_EQ(rig.boxes.shown.front().style.icon, MessageIcon::Error);
    }
}

TEST(StartUp, AFailedRecordBufferSaysSoAndReleasesTheEarlierOnesAtOnce) {
    KeyVoiceRig rig;
    int made = 0;
    rig.allocator = [&made](const platform::PcmWaveFormat& format) {
        if (++made == 4)
            throw std::bad_alloc();
        return Sound(format, kRecordBufferBytes / 2);
    };
    EXPECT_FALSE(rig.Open());
    EXPECT_EQ(rig.Texts(), std::vector<std::string>{"There is not enough free memory."});
    EXPECT_EQ(rig.boxes.shown[0].caption, "Error");
    EXPECT_EQ(rig.boxes.shown[0].style.icon, MessageIcon::Error);
    EXPECT_EQ(made, 4);
    // Slots 0 to 3 hold nothing any more, so the destructor has nothing left to release.
    for (int slot = 0; slot < kRecordableSlotCount; ++slot)
        EXPECT_FALSE(rig.Recordable(slot).RecordBufferReady()) << slot;
    EXPECT_TRUE(rig.files.reads.empty());  // the sounds were never loaded
}

TEST(StartUp, AMissingBuiltinFileStopsTheLoadingThereAndWIsNeverTried) {
    KeyVoiceRig rig;
    rig.files.DeleteFile(std::string(kDataPath) + "cfff3.wax");
    EXPECT_FALSE(rig.Open());
    EXPECT_EQ(rig.Texts(), std::vector<std::string>{"Please insert the ZAV CD-ROM and try again."});
    const std::vector<std::string> tried = {std::string(kDataPath) + "cfff1.wax",
                                            std::string(kDataPath) + "cfff2.wax",
                                            std::string(kDataPath) + "cfff3.wax"};
    EXPECT_EQ(rig.files.reads, tried);
    EXPECT_TRUE(rig.dialog->Slots().builtin[0].BuiltinLoaded());
    EXPECT_TRUE(rig.dialog->Slots().builtin[1].BuiltinLoaded());
}

TEST(StartUp, WithoutZavSysPathOrAMixerTheFSoundsLoadAndTheVolumeSliderIsOff) {
    KeyVoiceRig rig;
    {
        platform::RegistryKey key;
        rig.store.OpenKey(kZavHive, kZavKeyPath, platform::Access::All, key);
        key.Delete("ZavSysPath");
    }
    rig.mixer.FailCall(sim::MixerCall::Open, platform::MixerResult::Error, 0, sim::kEveryTime);
    ASSERT_TRUE(rig.Open());
    EXPECT_EQ(rig.dialog->Slots().soundVariant, kDefaultSoundVariant);
    EXPECT_TRUE(rig.dialog->Slots().builtin[5].BuiltinLoaded());
    ASSERT_EQ(rig.boxes.shown.size(), 2u);  // the mixer's error, then the warning
    EXPECT_EQ(rig.boxes.shown[1].caption, "Warning");
    EXPECT_FALSE(rig.Enabled(kIdcRecordVolume));
}

}  // namespace
}  // namespace keyvoice_test
