#include "keysound/recording_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "keysound/string_table.h"
#include "platform/testing/memory_file_system.h"
#include "platform/testing/memory_registry.h"
#include "platform/testing/recording_message_boxes.h"
#include "tests/keysound/analysis/signals.h"
#include "tests/keysound/wax/riff_builder.h"
#include "tests/support/zav_values.h"

namespace keyvoice {
namespace {

using analysis_test::Tone;

using zav::platform::MessageButtons;
using zav::platform::MessageIcon;
using zav::platform::MessageStyle;
using zav::platform::RegistryKey;
using zav::platform::RegResult;

constexpr zav::platform::PcmWaveFormat kRecordFormat{1, 1, 22050, 44100, 2, 16};
constexpr std::size_t kRecordSamples = 44100;
constexpr std::string_view kSysPath = "C:\\APPS\\SYS";

// Files in memory that also note, at every write, which KeyNInfo values already exist.
class WriteLog : public zav::platform::sim::MemoryFileSystem {
  public:
    explicit WriteLog(zav::platform::RegistryStore& registry) : registry_(registry) {}

    zav::platform::FileStatus ReplaceFile(
        std::string_view hostPath, std::span<const std::span<const std::uint8_t>> pieces) override {
        std::string entry = "write " + std::string(hostPath) + " after";
        RegistryKey key;
        std::vector<zav::platform::NamedValue> values;
        if (registry_.OpenKey(kZavHive, kZavKeyPath, zav::platform::Access::Read, key) ==
                RegResult::Success &&
            key.List(values) == RegResult::Success) {
            for (const auto& value : values)
                entry += " " + value.name;
        }
        log.push_back(entry);
        return MemoryFileSystem::ReplaceFile(hostPath, pieces);
    }

    std::vector<std::string> log;

  private:
    zav::platform::RegistryStore& registry_;
};

// The store in memory, which can refuse one value's writes while taking the others', as a
// store would that is locked at that moment.
class RefusingRegistry : public zav::platform::sim::MemoryRegistry {
  public:
    std::string refusedName;

  protected:
    RegResult SetValue(zav::platform::Hive hive, std::string_view path, std::string_view name,
                       zav::platform::ValueType type, std::span<const std::uint8_t> data) override {
        if (name == refusedName)
            return RegResult::AccessDenied;
        return MemoryRegistry::SetValue(hive, path, name, type, data);
    }
};

class RecordingStoreTest : public testing::Test {
  protected:
    // The system folder is set unless a test sets another or takes it away.
    void SetUp() override { SetValue("ZavSysPath", kSysPath); }

    void SetValue(std::string_view name, std::string_view text) {
        zav::test::SetZavValue(registry, name, text);
    }

    std::optional<std::string> Value(std::string_view name) {
        return zav::test::ZavText(registry, name);
    }

    void Record(int slot, const std::vector<std::int16_t>& samples) {
        RecordableSlotState& state = slots[static_cast<std::size_t>(slot)];
        state.record.emplace(kRecordFormat, kRecordSamples);
        std::copy(samples.begin(), samples.end(), state.record->Samples().begin());
        state.newRecording = true;
    }

    static std::string FilePath(int slot) {
        return std::string(kSysPath) + std::string(RecordedFileName(slot));
    }

    RefusingRegistry registry;
    WriteLog files{registry};
    zav::platform::sim::RecordingMessageBoxes boxes;
    KeyVoiceAnalysers analysers;
    ConfigStore config{registry};
    RecordingStore store{config, files, boxes, analysers};
    std::array<RecordableSlotState, kRecordableSlotCount> slots;
};

TEST_F(RecordingStoreTest, WritesTheWholeFileAndRegistersLevelClassAndPath) {
    // Half a second of a loud 6-sample tone (peak 7794), the rest of the buffer silent, plus
    // the four anchor samples of the code table.
    std::vector<std::int16_t> samples = Tone(kRecordSamples, 6, 9000);
    std::fill(samples.begin() + 11025, samples.end(), std::int16_t{0});
    samples[20000] = -1;
    samples[20001] = 32767;
    samples[20002] = -32768;
    samples[20003] = 100;
    Record(1, samples);

    EXPECT_EQ(store.StoreRecording(1, slots[1]), StoreOutcome::Stored);

    const std::vector<std::uint8_t>* file = files.Find("C:\\APPS\\SYS\\cfff7.wax");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(file->size(), 44144u);
    EXPECT_EQ(*file, testing_riff::MakeWaxFile(testing_riff::MuLawCodes(samples)));
    EXPECT_EQ((*file)[44 + 20000], 0x7F);
    EXPECT_EQ((*file)[44 + 20001], 0x80);
    EXPECT_EQ((*file)[44 + 20002], 0x00);
    EXPECT_EQ((*file)[44 + 30000], 0xFF);
    // Level 15 from the full-scale anchors; class 1 (Irregular): the tone's 1838 or so
    // crossings over the whole buffer lie below the band, and its periods are short.
    EXPECT_EQ(Value("Key7Info"), "15,1,C:\\APPS\\SYS\\cfff7.wax");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RecordingStoreTest, ClassDigitsFollowTheAnalysisOfTheWholeBuffer) {
    struct Case {
        int slot;
        std::vector<std::int16_t> samples;
        std::string text;
    };
    const Case cases[] = {
        {3, Tone(kRecordSamples, 200, 1000),
         "0,0,C:\\APPS\\SYS\\cfff9.wax"},  // long regular periods
        {2, Tone(kRecordSamples, 6, 9000),
         "4,2,C:\\APPS\\SYS\\cfff8.wax"},  // 7350 crossings: in the band
        {4, std::vector<std::int16_t>(kRecordSamples, 100), "0,1,C:\\APPS\\SYS\\cfff0.wax"},
    };
    for (const Case& c : cases) {
        KeyVoiceAnalysers fresh;
        RecordingStore freshStore(config, files, boxes, fresh);
        Record(c.slot, c.samples);
        EXPECT_EQ(freshStore.StoreRecording(c.slot, slots[static_cast<std::size_t>(c.slot)]),
                  StoreOutcome::Stored);
        EXPECT_EQ(Value(KeyInfoValueName(c.slot)), c.text);
    }
}

TEST_F(RecordingStoreTest, StoresKeySixBeforeKeyZeroAndEachValueAfterItsFileUnderAPendingMark) {
    Record(4, Tone(kRecordSamples, 200, 1000));
    Record(0, Tone(kRecordSamples, 200, 1000));

    store.StoreNewRecordings(slots);

    // Each file is written while its slot's pending mark is set, and before its value.
    EXPECT_EQ(files.log, (std::vector<std::string>{
                             "write C:\\APPS\\SYS\\cfff6.wax after ZavSysPath Key6Pending",
                             "write C:\\APPS\\SYS\\cfff0.wax after ZavSysPath Key6Info "
                             "Key0Pending"}));
    EXPECT_FALSE(Value("Key6Pending").has_value());  // gone once the value is written
    EXPECT_FALSE(Value("Key0Pending").has_value());
    EXPECT_EQ(Value("Key6Info"), "0,0,C:\\APPS\\SYS\\cfff6.wax");
    EXPECT_EQ(Value("Key0Info"), "0,0,C:\\APPS\\SYS\\cfff0.wax");
    EXPECT_FALSE(Value("Key7Info").has_value());
}

TEST_F(RecordingStoreTest, AFailingSlotShowsItsMessageAndTheNextSlotIsStillStored) {
    SetValue("Key6Info", "5,1,C:\\OLD\\cfff6.wax");
    files.Put(FilePath(0), {1, 2, 3});
    files.FailWritesUnder(FilePath(0));
    Record(0, Tone(kRecordSamples, 200, 1000));
    Record(4, Tone(kRecordSamples, 200, 1000));

    store.StoreNewRecordings(slots);

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "There was a voice recording write error to key 6.");
    EXPECT_EQ(boxes.shown[0].caption, "Error");
    EXPECT_EQ(boxes.shown[0].style, (MessageStyle{MessageButtons::Ok, MessageIcon::Error}));
    EXPECT_EQ(boxes.shown[0].style.Bits(), 0x10u);
    EXPECT_EQ(Value("Key6Info"), "5,1,C:\\OLD\\cfff6.wax");
    EXPECT_EQ(*files.Find(FilePath(0)), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(Value("Key0Info"), "0,0,C:\\APPS\\SYS\\cfff0.wax");
    EXPECT_EQ(files.Find(FilePath(4))->size(), 44144u);
}

TEST_F(RecordingStoreTest, EachSlotHasItsOwnWriteErrorMessage) {
    files.FailWritesUnder(kSysPath);
    for (int slot = 0; slot < kRecordableSlotCount; ++slot)
        Record(slot, Tone(kRecordSamples, 200, 1000));

    store.StoreNewRecordings(slots);

    ASSERT_EQ(boxes.shown.size(), 5u);
    for (std::size_t slot = 0; slot < 5; ++slot) {
        EXPECT_EQ(
            boxes.shown[slot].text,
            std::string("There was a voice recording write error to key ") + "67890"[slot] + ".");
    }
    EXPECT_FALSE(Value("Key6Info").has_value());
}

// A recording made and then erased is not stored, nor is anything without a system folder.
TEST_F(RecordingStoreTest, NothingIsWrittenOrShownForAnErasedRecordingOrWithoutZavSysPath) {
    Record(2, Tone(kRecordSamples, 200, 1000));
    slots[2].newRecording = false;
    store.StoreNewRecordings(slots);
    EXPECT_TRUE(files.Files().empty());
    EXPECT_FALSE(Value("Key8Info").has_value());

    ASSERT_EQ(config.DeleteConfigValue("ZavSysPath"), RegResult::Success);
    for (const std::optional<std::string_view> folder :
         {std::optional<std::string_view>{}, std::optional<std::string_view>{""}}) {
        if (folder)
            SetValue("ZavSysPath", *folder);
        Record(0, Tone(kRecordSamples, 200, 1000));
        Record(3, Tone(kRecordSamples, 200, 1000));

        store.StoreNewRecordings(slots);

        EXPECT_TRUE(files.Files().empty());
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_FALSE(Value("Key6Info").has_value());
        EXPECT_FALSE(Value("Key9Info").has_value());
    }
}

TEST_F(RecordingStoreTest, AFolderWithACommaIsStoredAndReadsBackCutAtTheComma) {
    SetValue("ZavSysPath", "C:\\MY,SYS");
    Record(1, Tone(kRecordSamples, 200, 1000));

    EXPECT_EQ(store.StoreRecording(1, slots[1]), StoreOutcome::Stored);

    EXPECT_EQ(files.Find("C:\\MY,SYS\\cfff7.wax")->size(), 44144u);
    EXPECT_EQ(Value("Key7Info"), "0,0,C:\\MY,SYS\\cfff7.wax");
    EXPECT_TRUE(boxes.shown.empty());
    // The path field ends at the comma: the next start looks for the recording there.
    EXPECT_EQ(config.ReadConfigValue(ConfigItem::Key7Info), "C:\\MY");
}

TEST_F(RecordingStoreTest, AStoreThatRefusesThePendingMarkStillGetsTheFileThenTheValue) {
    registry.refusedName = "Key7Pending";
    Record(1, Tone(kRecordSamples, 200, 1000));

    EXPECT_EQ(store.StoreRecording(1, slots[1]), StoreOutcome::Stored);

    EXPECT_EQ(files.log,
              (std::vector<std::string>{"write C:\\APPS\\SYS\\cfff7.wax after ZavSysPath"}));
    EXPECT_EQ(Value("Key7Info"), "0,0,C:\\APPS\\SYS\\cfff7.wax");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RecordingStoreTest, ASlotWhoseWriteFailsLeavesThePlayAnalyserAsItWas) {
    files.FailWritesUnder(FilePath(0));
    Record(0, Tone(kRecordSamples, 100, 1000));
    Record(1, Tone(kRecordSamples, 200, 1000));

    store.StoreNewRecordings(slots);

    // Key 7 is analysed as if key 6 had never been tried.
    KeyVoiceAnalysers untouched;
    const AnalysisResult expected = untouched.AnalyseRecording(slots[1].record->Header());
    EXPECT_EQ(Value("Key7Info"), FormatKeyInfo(FilePath(1), expected.soundClass, expected.level));
    EXPECT_EQ(analysers.playAnalyser.score, untouched.playAnalyser.score);
    EXPECT_EQ(analysers.playAnalyser.centre, untouched.playAnalyser.centre);
}

TEST_F(RecordingStoreTest, AFolderTooLongToReadBackIsRefusedAsAWriteError) {
    // "15,2," + folder + "\\cfff6.wax" must stay within the 269 bytes a value is read with.
    for (const std::size_t length : {254u, 255u}) {
        SCOPED_TRACE(length);
        const std::string folder = "C:\\" + std::string(length - 3, 'x');
        SetValue("ZavSysPath", folder);
        Record(0, Tone(kRecordSamples, 200, 1000));
        const bool fits = length == 254;

        EXPECT_EQ(store.StoreRecording(0, slots[0]),
                  fits ? StoreOutcome::Stored : StoreOutcome::Failed);

        EXPECT_EQ(files.Exists(folder + "\\cfff6.wax"), fits);
        EXPECT_EQ(boxes.shown.size(), fits ? 0u : 1u);
        if (fits) {
            EXPECT_EQ(config.ReadConfigValue(ConfigItem::Key6Info), folder + "\\cfff6.wax");
        }
    }
}

TEST_F(RecordingStoreTest, TheStoredClassDependsOnWhatWasPlayedBefore) {
    const auto buzz = Tone(kRecordSamples, 20, 1000);
    for (int tick = 0; tick < 3; ++tick)
        analysers.MeterPlaybackBlock(buzz.data(), 4410);
    Record(0, Tone(kRecordSamples, 200, 1000));

    store.StoreNewRecordings(slots);

    EXPECT_EQ(Value("Key6Info"), "0,1,C:\\APPS\\SYS\\cfff6.wax");
}

TEST_F(RecordingStoreTest, ASlotNumberOutsideTheFiveIsRefused) {
    EXPECT_THROW(store.StoreRecording(5, slots[0]), std::out_of_range);
    EXPECT_THROW(store.StoreRecording(-1, slots[0]), std::out_of_range);
}

}  // namespace
}  // namespace keyvoice
