// OK killed at random moments: a process stores five new takes on a real SQLite store and real
// files, as KeyVoice's OK does, and is killed with SIGKILL part-way, 200 times. After each kill
// and the next start's completion of an interrupted store, every key has either its earlier
// file and value or its new ones, every file loads, no temporary file is left, and the store
// still opens.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "crash_takes.h"
#include "keysound/config_store.h"
#include "keysound/recording_store.h"
#include "keysound/wax_file.h"
#include "platform/posix/posix_file_system.h"
#include "platform/sqlite/sqlite_registry.h"
#include "platform/testing/recording_message_boxes.h"
#include "tests/platform/registry/temp_folder.h"
#include "tests/support/child_process.h"

namespace store_crash {
namespace {

namespace platform = zav::platform;
using Bytes = std::vector<std::uint8_t>;

constexpr int kRuns = 200;

// The bytes of the file at a host path (the values keep the backslash before the name).
Bytes ReadBytes(const std::string& hostPath) {
    std::ifstream file(platform::NativePath(hostPath), std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(file), {}};
}

struct KeyState {
    Bytes file;
    std::string value;
    friend bool operator==(const KeyState&, const KeyState&) = default;
};

// The store before OK, made in its folder; each run puts the folder back as it was.
class Scene {
  public:
    explicit Scene(const std::filesystem::path& folder) : folder_(folder) {
        std::filesystem::create_directories(folder_ / "sys");
        platform::SqliteRegistry registry(StorePath());
        const keyvoice::ConfigStore config(registry);
        config.WriteConfigValue(SysFolder(), keyvoice::kZavSysPathValue);
        platform::PosixFileSystem files;
        keyvoice::KeyVoiceAnalysers newAnalysers;  // as the storing process analyses
        for (int slot = 0; slot < keyvoice::kRecordableSlotCount; ++slot) {
            const std::string path = FilePath(slot);
            const keyvoice::Sound earlier = Take(slot, 0);
            EXPECT_EQ(keyvoice::WriteWaxFile(files, path, earlier.Header()),
                      keyvoice::WaxWriteResult::Written);
            const std::string earlierValue = std::to_string(slot) + ",1," + path;
            config.WriteConfigValue(earlierValue, keyvoice::KeyInfoValueName(slot));
            earlier_[static_cast<std::size_t>(slot)] = {ReadBytes(path), earlierValue};
            EXPECT_EQ(earlier_[static_cast<std::size_t>(slot)].file.size(), 44144u);

            const keyvoice::Sound take = Take(slot, 1);
            bool outOfMemory = false;
            const keyvoice::AnalysisResult analysis = newAnalysers.AnalyseRecording(take.Header());
            new_[static_cast<std::size_t>(slot)] = {
                *keyvoice::BuildWaxFile(take.Header(), outOfMemory),
                keyvoice::FormatKeyInfo(path, analysis.soundClass, analysis.level)};
        }
    }

    std::string StorePath() const { return (folder_ / "store.sqlite").string(); }
    std::string SysFolder() const { return (folder_ / "sys").string(); }
    std::string FilePath(int slot) const {
        return SysFolder() + std::string(keyvoice::RecordedFileName(slot));
    }
    const KeyState& Earlier(int slot) const { return earlier_[static_cast<std::size_t>(slot)]; }
    const KeyState& New(int slot) const { return new_[static_cast<std::size_t>(slot)]; }

  private:
    std::filesystem::path folder_;
    std::array<KeyState, keyvoice::kRecordableSlotCount> earlier_;
    std::array<KeyState, keyvoice::kRecordableSlotCount> new_;
};

pid_t StartStoring(const std::string& store) {
    return test_support::StartProgram(STORE_CRASH_CHILD, {store});
}

TEST(StoreCrash, EveryKeyKeepsItsEarlierOrItsNewFileAndValue) {
    TempFolder folder;
    const std::filesystem::path live = folder.Path() / "live";
    const std::filesystem::path pristine = folder.Path() / "pristine";
    const Scene scene(live);
    std::filesystem::copy(live, pristine, std::filesystem::copy_options::recursive);
    const auto restore = [&] {
        std::filesystem::remove_all(live);
        std::filesystem::copy(pristine, live, std::filesystem::copy_options::recursive);
    };

    // How long a whole store takes here (the quickest of three), so that the kills fall
    // across it.
    std::chrono::microseconds span = std::chrono::hours(1);
    for (int attempt = 0; attempt < 3; ++attempt) {
        restore();
        const auto started = std::chrono::steady_clock::now();
        const pid_t whole = StartStoring(scene.StorePath());
        ASSERT_GT(whole, 0);
        ASSERT_EQ(test_support::ExitCodeOf(whole), 0);
        span = std::min(span, std::chrono::duration_cast<std::chrono::microseconds>(
                                  std::chrono::steady_clock::now() - started));
    }

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> delay(0, span.count());
    std::array<int, keyvoice::kRecordableSlotCount + 1> newKeysCounted{};
    int runsWithTemporaries = 0;
    for (int run = 0; run < kRuns; ++run) {
        restore();
        const std::string storePath = scene.StorePath();

        const pid_t pid = StartStoring(storePath);
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        test_support::KillChild(pid, SIGKILL);

        // A kill while a file was written leaves its temporary file beside it.
        const auto sysNames = [&] {
            std::vector<std::string> names;
            for (const auto& entry : std::filesystem::directory_iterator(scene.SysFolder()))
                names.push_back(entry.path().filename().string());
            std::sort(names.begin(), names.end());
            return names;
        };
        runsWithTemporaries += sysNames().size() > keyvoice::kRecordableSlotCount ? 1 : 0;

        // The next start finishes or undoes what was cut short.
        platform::SqliteRegistry registry(storePath);
        platform::PosixFileSystem files;
        platform::sim::RecordingMessageBoxes boxes;
        keyvoice::KeyVoiceAnalysers analysers;
        const keyvoice::ConfigStore config(registry);
        keyvoice::RecordingStore(config, files, boxes, analysers).CompleteInterruptedStores();

        int newKeys = 0;
        for (int slot = 0; slot < keyvoice::kRecordableSlotCount; ++slot) {
            const std::string path = scene.FilePath(slot);
            const KeyState found{
                ReadBytes(path),
                config.ReadValueText(keyvoice::KeyInfoValueName(slot), 512).value_or("")};
            const bool isNew = found == scene.New(slot);
            ASSERT_TRUE(isNew || found == scene.Earlier(slot))
                << "key slot " << slot << " of run " << run << " holds a mixture, seed " << seed
                << ": value \"" << found.value << "\" (earlier \"" << scene.Earlier(slot).value
                << "\", new \"" << scene.New(slot).value << "\"), file "
                << (found.file == scene.New(slot).file       ? "new"
                    : found.file == scene.Earlier(slot).file ? "earlier"
                                                             : "other");
            newKeys += isNew ? 1 : 0;
            EXPECT_EQ(keyvoice::LoadSoundFile(files, path).status, keyvoice::LoadStatus::Loaded);
            EXPECT_FALSE(
                config.ReadValueText(keyvoice::PendingStoreValueName(slot), 512).has_value());
        }
        EXPECT_EQ(sysNames(), (std::vector<std::string>{"cfff0.wax", "cfff6.wax", "cfff7.wax",
                                                        "cfff8.wax", "cfff9.wax"}))
            << "run " << run << ", seed " << seed;
        std::vector<platform::NamedValue> values;
        platform::RegistryKey key;
        ASSERT_EQ(registry.OpenKey(keyvoice::kZavHive, keyvoice::kZavKeyPath,
                                   platform::Access::Read, key),
                  platform::RegResult::Success)
            << "the store was damaged in run " << run << ", seed " << seed;
        ASSERT_EQ(key.List(values), platform::RegResult::Success);
        EXPECT_TRUE(boxes.shown.empty());
        ++newKeysCounted[static_cast<std::size_t>(newKeys)];
    }
    // The kills fell before, during and after the store.
    std::string spread;
    for (int count : newKeysCounted)
        spread += std::to_string(count) + " ";
    std::printf(
        "store crash: %d runs; runs by keys found new (0 to 5): %s; runs that left a temporary "
        "file: %d; a whole store took %lld us\n",
        kRuns, spread.c_str(), runsWithTemporaries, static_cast<long long>(span.count()));
    EXPECT_GT(newKeysCounted.front() + newKeysCounted.back(), 0);
    int inBetween = 0;
    for (std::size_t keys = 1; keys < keyvoice::kRecordableSlotCount; ++keys)
        inBetween += newKeysCounted[keys];
    EXPECT_GT(inBetween, 0);
}

}  // namespace
}  // namespace store_crash
