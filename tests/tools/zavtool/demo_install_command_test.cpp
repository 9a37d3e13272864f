#include "tools/zavtool/demo_install_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "keysound/config_store.h"
#include "keysound/key_slots.h"
#include "keysound/voice_analyser.h"
#include "keysound/wax_file.h"
#include "platform/posix/posix_file_system.h"
#include "platform/sqlite/sqlite_registry.h"
#include "platform/testing/memory_file_system.h"
#include "platform/testing/memory_registry.h"
#include "tests/platform/registry/temp_folder.h"
#include "tests/support/zav_values.h"
#include "tests/tools/zavtool/zavtool_runner.h"

namespace {

using zav::platform::FileStatus;
using zav::platform::FileSystem;
using zav::platform::RegistryStore;
using zav::test::SetZavValue;
using zav::test::ZavText;

const char* const kRecordingValues[] = {"Key6Info", "Key7Info", "Key8Info", "Key9Info", "Key0Info"};

// The highest level the recorder's playback meter shows while the sound plays, one 100 ms
// block at a time.
int MeterPeak(std::span<const std::int16_t> samples) {
    constexpr std::size_t kBlock = 2205;
    keyvoice::VoiceAnalyser analyser(22000);
    int highest = 0;
    for (std::size_t at = 0; at < samples.size(); at += kBlock) {
        analyser.AnalyseFixed(samples.subspan(at, std::min(kBlock, samples.size() - at)));
        highest = std::max(highest, static_cast<int>(analyser.level));
    }
    return highest;
}

// What the recorder finds at start-up: the sound set the setup file names, and the six
// built-in sounds behind DataPath. Checks that each one loads, is a 22,050 Hz 16-bit mono
// sound, lights the meter, and differs from the others.
void ExpectRecorderStartsOn(RegistryStore& registry, FileSystem& files,
                            std::int32_t expectedVariant) {
    keyvoice::ConfigStore config(registry);
    ASSERT_EQ(keyvoice::ReadSoundVariant(config, files), expectedVariant);
    config.SetSoundVariant(expectedVariant);
    std::vector<std::vector<std::int16_t>> sounds;
    for (int slot = 0; slot < keyvoice::kBuiltinSlotCount; ++slot) {
        const keyvoice::KeySlot& key = keyvoice::BuiltinKey(slot);
        SCOPED_TRACE(key.label);
        const std::optional<std::string> path = config.ReadConfigValue(key.item);
        ASSERT_TRUE(path.has_value());
        EXPECT_TRUE(path->ends_with(keyvoice::BuiltinFileName(slot, expectedVariant))) << *path;
        keyvoice::LoadResult loaded = keyvoice::LoadSoundFile(files, *path);
        ASSERT_EQ(loaded.status, keyvoice::LoadStatus::Loaded) << *path;
        EXPECT_EQ(loaded.sound->Header().format,
                  (zav::platform::PcmWaveFormat{1, 1, 22050, 44100, 2, 16}));
        EXPECT_GE(MeterPeak(loaded.sound->Samples()), 4);  // a third of the meter, at least
        const auto samples = loaded.sound->Samples();
        sounds.emplace_back(samples.begin(), samples.end());
    }
    for (std::size_t a = 0; a < sounds.size(); ++a) {
        for (std::size_t b = a + 1; b < sounds.size(); ++b)
            EXPECT_NE(sounds[a], sounds[b]) << a << " " << b;
    }
}

// Folders exist in a memory file system once they are asked for; the test only needs to know
// which were.
class RecordingFolders : public zavtool::FolderMaker {
  public:
    FileStatus MakeFolders(std::string_view hostPath) override {
        made.emplace_back(hostPath);
        return {};
    }
    std::vector<std::string> made;
};

class DemoInstall : public testing::Test {
  protected:
    ZavtoolRun Install(std::vector<std::string> args) {
        return CaptureRun([&](std::ostream& out, std::ostream& err) {
            zavtool::CommandContext context{args, out, err, registry, files};
            return zavtool::InstallDemo(context, folders);
        });
    }

    static void ExpectOneProblem(const ZavtoolRun& run, std::string_view reason) {
        ExpectOneErrorLine(run, 2, reason);
        EXPECT_EQ(run.out, "");
    }

    zav::platform::sim::MemoryRegistry registry;
    zav::platform::sim::MemoryFileSystem files;
    RecordingFolders folders;
};

TEST_F(DemoInstall, InstallsOnceRefusesASecondTimeAndReplacesWithForceButKeepsRecordings) {
    SetZavValue(registry, "Key7Info", "9,0,/games/zav/sys\\cfff7.wax");
    files.Put("/games/zav/sys\\cfff7.wax", {1, 2, 3});

    const ZavtoolRun first = Install({"/games/zav"});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.err, "");
    EXPECT_EQ(std::count(first.out.begin(), first.out.end(), '\n'), 9) << first.out;
    EXPECT_EQ(folders.made, (std::vector<std::string>{"/games/zav/data/", "/games/zav/sys"}));
    EXPECT_EQ(ZavText(registry, "DataPath"), "/games/zav/data/");
    EXPECT_EQ(ZavText(registry, "ZavSysPath"), "/games/zav/sys");
    for (const char* name : {"DataPath", "ZavSysPath"}) {
        EXPECT_EQ(zav::test::ZavValue(registry, name).value().type,
                  zav::platform::ValueType::String)
            << name;
    }
    EXPECT_EQ(keyvoice::ConfigStore(registry).ReadConfigValue(keyvoice::ConfigItem::ZavSysPath),
              "/games/zav/sys");
    ASSERT_NE(files.Find("/games/zav/sys/setup.zav"), nullptr);
    EXPECT_EQ(files.Find("/games/zav/sys/setup.zav")->size(), 280u);
    ExpectRecorderStartsOn(registry, files, 2);

    const auto filesBefore = files.Files();
    const int writesBefore = files.ReplaceCalls();
    ExpectOneProblem(Install({"/games/zav", "--variant", "m"}), "exists already");
    EXPECT_EQ(files.Files(), filesBefore);
    EXPECT_EQ(files.ReplaceCalls(), writesBefore);
    ExpectRecorderStartsOn(registry, files, 2);

    const ZavtoolRun forced = Install({"--force", "/games/zav", "--variant", "m"});
    ASSERT_EQ(forced.status, 0) << forced.err;
    ExpectRecorderStartsOn(registry, files, 1);
    EXPECT_EQ(ZavText(registry, "Key7Info"), "9,0,/games/zav/sys\\cfff7.wax");
    EXPECT_EQ(*files.Find("/games/zav/sys\\cfff7.wax"), (std::vector<std::uint8_t>{1, 2, 3}));
    for (const char* name : kRecordingValues) {
        if (std::string_view(name) != "Key7Info") {
            EXPECT_FALSE(ZavText(registry, name).has_value()) << name;
        }
    }
}

struct Refusal {
    const char* name;
    std::vector<std::string> args;
    const char* presetValue;  // a store value set before the run, or null
    const char* presetFile;   // a file there before the run, or null
    const char* reason;
};

class DemoInstallRefusals : public DemoInstall, public testing::WithParamInterface<Refusal> {};

TEST_P(DemoInstallRefusals, SayWhyAndWriteNothing) {
    const Refusal& refusal = GetParam();
    if (refusal.presetValue != nullptr)
        SetZavValue(registry, refusal.presetValue, "C:\\ZAV\\");
    if (refusal.presetFile != nullptr)
        files.Put(refusal.presetFile, {7});
    const auto filesBefore = files.Files();

    ExpectOneProblem(Install(refusal.args), refusal.reason);

    EXPECT_EQ(files.Files(), filesBefore);
    EXPECT_EQ(files.ReplaceCalls(), 0);
    EXPECT_TRUE(folders.made.empty());
    for (const char* name : {"DataPath", "ZavSysPath"}) {
        if (refusal.presetValue == nullptr || std::string_view(name) != refusal.presetValue) {
            EXPECT_FALSE(ZavText(registry, name).has_value()) << name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DemoInstallRefusals,
    testing::Values(
        Refusal{"DataPathSet", {"/z"}, "DataPath", nullptr, "DataPath is set"},
        Refusal{"ZavSysPathSet", {"/z"}, "ZavSysPath", nullptr, "ZavSysPath is set"},
        Refusal{"SoundThere", {"/z"}, nullptr, "/z/data/cfff3.wax", "/z/data/cfff3.wax exists"},
        Refusal{"SoundOfTheChosenSetThere",
                {"/z", "--variant", "m"},
                nullptr,
                "/z/data/cffmw.wax",
                "/z/data/cffmw.wax exists"},
        Refusal{"SetupFileThere", {"/z"}, nullptr, "/z/sys/setup.zav", "/z/sys/setup.zav exists"},
        Refusal{"NoFolder", {}, nullptr, nullptr, "usage: zavtool demo-install DIR"},
        Refusal{"TwoFolders", {"/a", "/b"}, nullptr, nullptr, "usage: zavtool demo-install DIR"},
        Refusal{"UnknownOption", {"/a", "--quiet"}, nullptr, nullptr, "usage:"},
        Refusal{"UnknownVariant", {"/a", "--variant", "x"}, nullptr, nullptr, "m or f"},
        Refusal{"VariantMissing", {"/a", "--variant"}, nullptr, nullptr, "m or f"},
        Refusal{"TooLongForTheRecorder",
                {"/" + std::string(270, 'a')},
                nullptr,
                nullptr,
                "at most 269 bytes"}),
    [](const testing::TestParamInfo<Refusal>& param) { return param.param.name; });

TEST_F(DemoInstall, StoresAbsoluteFoldersWhateverFormTheFolderIsGivenIn) {
    const std::string here = std::filesystem::current_path().string();
    const std::pair<std::string, std::string> cases[] = {
        {"/games/zav/", "/games/zav"},
        {"/games//zav/./x/..", "/games/zav"},
        {"inst", here + "/inst"},
        {"/", ""},
    };
    for (const auto& [dir, root] : cases) {
        // --force, so that each run replaces the values of the one before.
        const ZavtoolRun run = Install({dir, "--force"});
        ASSERT_EQ(run.status, 0) << dir << ": " << run.err;
        EXPECT_EQ(ZavText(registry, "DataPath"), root + "/data/") << dir;
        EXPECT_EQ(ZavText(registry, "ZavSysPath"), root + "/sys") << dir;
    }
}

TEST_F(DemoInstall, AFailedWriteLeavesNoStoreValueAndNoNewFile) {
    files.FailWritesUnder("/z/sys");
    ExpectOneProblem(Install({"/z"}), "cannot write /z/sys/setup.zav");
    EXPECT_TRUE(files.Files().empty());
    EXPECT_FALSE(ZavText(registry, "DataPath").has_value());
    EXPECT_FALSE(ZavText(registry, "ZavSysPath").has_value());

    // A store that takes no values: the complete set of files goes again too.
    files.StopFailing();
    registry.DenyAccess(zav::platform::Access::Write);
    ExpectOneProblem(Install({"/z"}), "store");
    EXPECT_TRUE(files.Files().empty());
    registry.AllowAllAccess();
    EXPECT_FALSE(ZavText(registry, "DataPath").has_value());
    EXPECT_FALSE(ZavText(registry, "ZavSysPath").has_value());
}

TEST(DemoInstallOnDisk, MakesTheFoldersAndFilesTheRecorderStartsOn) {
    TempFolder temp;
    const std::string dir = (temp.Path() / "games" / "zav").string();
    zav::platform::SqliteRegistry registry((temp.Path() / "registry.sqlite").string());
    zav::platform::PosixFileSystem files;
    auto run = [&](std::vector<std::string> args) {
        std::ostringstream out, err;
        return zavtool::RunZavtool(args, out, err, registry, files);
    };

    ASSERT_EQ(run({"demo-install", dir}), 0);
    EXPECT_EQ(ZavText(registry, "DataPath"), dir + "/data/");
    EXPECT_EQ(ZavText(registry, "ZavSysPath"), dir + "/sys");
    ExpectRecorderStartsOn(registry, files, 2);
    // Exactly the six sounds: no temporary file stayed behind.
    const auto entries = std::distance(std::filesystem::directory_iterator(dir + "/data"),
                                       std::filesystem::directory_iterator());
    EXPECT_EQ(entries, keyvoice::kBuiltinSlotCount);

    EXPECT_EQ(run({"demo-install", dir, "--variant", "m"}), 2);
    ExpectRecorderStartsOn(registry, files, 2);
    EXPECT_EQ(run({"demo-install", dir, "--variant", "m", "--force"}), 0);
    ExpectRecorderStartsOn(registry, files, 1);
}

}  // namespace
