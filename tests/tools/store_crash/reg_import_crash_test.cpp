// zavtool reg on a real SQLite store, run as the program it is and attacked as a hostile
// machine would: an import killed at random moments, an import on a disk that fills half-way,
// and two programs setting values at once. The key always holds wholly its earlier values or
// wholly the new ones, and no write is lost.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "keysound/config_store.h"
#include "platform/sqlite/sqlite_registry.h"
#include "tests/platform/registry/temp_folder.h"
#include "tests/support/child_process.h"

namespace store_crash {
namespace {

namespace fs = std::filesystem;
namespace platform = zav::platform;

constexpr int kKillRuns = 60;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Starts zavtool with args on the store; its standard error goes to errFile. With a file size
// limit, writes beyond it fail as on a full disk.
pid_t StartZavtool(const std::vector<std::string>& args, const std::string& store,
                   const fs::path& errFile, std::optional<rlim_t> fileSizeLimit = std::nullopt) {
    return test_support::StartProgram(ZAVTOOL, args, [&] {
        const rlimit limit{fileSizeLimit.value_or(0), fileSizeLimit.value_or(0)};
        signal(SIGXFSZ, SIG_IGN);
        return (!fileSizeLimit || setrlimit(RLIMIT_FSIZE, &limit) == 0) &&
               std::freopen(errFile.c_str(), "w", stderr) != nullptr &&
               std::freopen("/dev/null", "w", stdout) != nullptr &&
               setenv("ZAV_REGISTRY", store.c_str(), 1) == 0;
    });
}

using test_support::ExitCodeOf;

std::vector<platform::NamedValue> ValuesIn(const std::string& storePath) {
    platform::SqliteRegistry store(storePath);
    platform::RegistryKey key;
    std::vector<platform::NamedValue> values;
    EXPECT_EQ(store.OpenKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, platform::Access::Read, key),
              platform::RegResult::Success);
    EXPECT_EQ(key.List(values), platform::RegResult::Success);
    return values;
}

bool Same(const std::vector<platform::NamedValue>& a, const std::vector<platform::NamedValue>& b) {
    return std::ranges::equal(
        a, b, [](const auto& x, const auto& y) { return x.name == y.name && x.value == y.value; });
}

// A key of 1,000 values, and a .reg file of 3,000 changes to it: it replaces 500 values,
// deletes 200 and adds the rest.
class ImportScene {
  public:
    explicit ImportScene(const fs::path& folder, int added = 2300) : folder_(folder) {
        {
            platform::SqliteRegistry store(StorePath());
            platform::RegistryKey key;
            EXPECT_EQ(store.CreateKey(keyvoice::kZavHive, keyvoice::kZavKeyPath,
                                      platform::Access::All, key),
                      platform::RegResult::Success);
            std::vector<platform::ValueChange> seed;
            for (int i = 0; i < 1000; ++i) {
                const std::string text = "earlier " + std::to_string(i);
                seed.push_back({"Old" + std::to_string(i),
                                false,
                                {platform::ValueType::String, {text.begin(), text.end()}}});
            }
            std::size_t deleted = 0;
            EXPECT_EQ(key.Apply(seed, deleted), platform::RegResult::Success);
        }
        earlier_ = ValuesIn(StorePath());
        std::string file =
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + std::string(keyvoice::kZavKeyPath) + "]\r\n";
        for (int i = 0; i < 500; ++i)
            file += "\"Old" + std::to_string(i) + "\"=\"replaced\"\r\n";
        for (int i = 500; i < 700; ++i)
            file += "\"Old" + std::to_string(i) + "\"=-\r\n";
        for (int i = 0; i < added; ++i)
            file +=
                "\"New" + std::to_string(i) + "\"=dword:" + std::to_string(10000000 + i) + "\r\n";
        std::ofstream(RegPath(), std::ios::binary) << file;
        copy_ = folder_ / "pristine.sqlite";
        fs::copy_file(StorePath(), copy_);
    }

    std::string StorePath() const { return (folder_ / "store.sqlite").string(); }
    std::string RegPath() const { return (folder_ / "in.reg").string(); }
    fs::path ErrPath() const { return folder_ / "err.txt"; }
    const std::vector<platform::NamedValue>& Earlier() const { return earlier_; }

    // The store as before the import, with no log of an earlier run beside it.
    void Restore() const {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            fs::remove(StorePath() + suffix);
        fs::copy_file(copy_, StorePath());
    }

  private:
    fs::path folder_;
    fs::path copy_;
    std::vector<platform::NamedValue> earlier_;
};

TEST(RegImportCrash, AKilledImportLeavesTheKeyWhollyEarlierOrWhollyImported) {
    TempFolder folder;
    const ImportScene scene(folder.Path());

    // How long a whole import takes here, so that the kills fall across it; and its result.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(ExitCodeOf(StartZavtool({"reg", "import", scene.RegPath()}, scene.StorePath(),
                                      scene.ErrPath())),
              0)
        << ReadText(scene.ErrPath());
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - started);
    const std::vector<platform::NamedValue> imported = ValuesIn(scene.StorePath());
    ASSERT_EQ(imported.size(), 3100u);

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> delay(0, span.count());
    int earlierRuns = 0;
    for (int run = 0; run < kKillRuns; ++run) {
        scene.Restore();
        const pid_t pid =
            StartZavtool({"reg", "import", scene.RegPath()}, scene.StorePath(), scene.ErrPath());
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        test_support::KillChild(pid, SIGKILL);

        const std::vector<platform::NamedValue> found = ValuesIn(scene.StorePath());
        const bool isEarlier = Same(found, scene.Earlier());
        ASSERT_TRUE(isEarlier || Same(found, imported))
            << "run " << run << " (seed " << seed << ") left " << found.size()
            << " values, a mixture";
        earlierRuns += isEarlier ? 1 : 0;
    }
    std::printf("reg import crash: %d runs, %d left the earlier key; an import took %lld us\n",
                kKillRuns, earlierRuns, static_cast<long long>(span.count()));
}

// The store's log may not grow past 256 KiB: the 100,000-value import fails with one line and
// the key keeps every earlier byte.
TEST(RegImportCrash, AnImportOnADiskThatFillsHalfWayChangesNothing) {
    TempFolder folder;
    const ImportScene scene(folder.Path(), 100000);
    const int status = ExitCodeOf(StartZavtool({"reg", "import", scene.RegPath()},
                                               scene.StorePath(), scene.ErrPath(), 256 << 10));
    EXPECT_EQ(status, 1);
    const std::string err = ReadText(scene.ErrPath());
    EXPECT_EQ(err.rfind("zavtool: cannot import " + scene.RegPath() + ": ", 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_TRUE(Same(ValuesIn(scene.StorePath()), scene.Earlier()));

    // With room, the same import goes through whole.
    ASSERT_EQ(ExitCodeOf(StartZavtool({"reg", "import", scene.RegPath()}, scene.StorePath(),
                                      scene.ErrPath())),
              0)
        << ReadText(scene.ErrPath());
    EXPECT_EQ(ValuesIn(scene.StorePath()).size(), 100800u);
}

// Two programs each run 60 "zavtool reg set" one after the other, on a store that does not
// exist yet.
TEST(RegImportCrash, TwoProgramsSettingValuesAtOnceLoseNone) {
    constexpr int kSetsEach = 60;
    TempFolder folder;
    const std::string store = (folder.Path() / "new" / "store.sqlite").string();
    pid_t drivers[2];
    for (int driver = 0; driver < 2; ++driver) {
        drivers[driver] = test_support::StartChild([&] {
            const fs::path err = folder.Path() / ("err" + std::to_string(driver));
            for (int i = 0; i < kSetsEach; ++i) {
                const std::string name = "W" + std::to_string(driver) + "-" + std::to_string(i);
                if (ExitCodeOf(StartZavtool({"reg", "set", name, "sz", name}, store, err)) != 0)
                    return 1;
            }
            return 0;
        });
        ASSERT_GE(drivers[driver], 0);
    }
    for (int driver = 0; driver < 2; ++driver) {
        EXPECT_EQ(ExitCodeOf(drivers[driver]), 0)
            << ReadText(folder.Path() / ("err" + std::to_string(driver)));
    }
    const std::vector<platform::NamedValue> values = ValuesIn(store);
    EXPECT_EQ(values.size(), 2u * kSetsEach);
}

}  // namespace
}  // namespace store_crash
