// Hostile files on a real POSIX file system: what is not a regular file is neither read nor
// replaced, an oversized file is refused before it is read, a symbolic link keeps being a link,
// permissions follow the replaced file or the umask, and a replacement ended by SIGTERM or
// SIGINT leaves no temporary file.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <random>
#include <thread>

#include "keysound/wax_file.h"
#include "platform/posix/posix_file_system.h"
#include "platform/sim/audio_backends.h"
#include "platform/testing/manual_dispatcher.h"
#include "tests/platform/registry/temp_folder.h"
#include "tests/support/child_process.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using zav::platform::FileError;
using zav::platform::FileStatus;
using zav::platform::PosixFileSystem;
using Bytes = std::vector<std::uint8_t>;

Bytes Content(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void Write(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs call on a thread of its own. When it has not returned after a generous minute, it waits
// in an open of a FIFO: a writer opens every FIFO in the folder to let it go, and the result is
// nothing.
template <typename Result>
std::optional<Result> Bounded(const fs::path& folder, std::function<Result()> call) {
    std::future<Result> future = std::async(std::launch::async, std::move(call));
    if (future.wait_for(60s) == std::future_status::ready)
        return future.get();
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_fifo()) {
            const int fd = ::open(entry.path().c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
    }
    future.wait();
    return std::nullopt;
}

// What a hostile user leaves where a file is expected.
enum class Attack { Fifo, Folder, LinkToFifo, LinkToCharDevice, OversizedSparseFile };

struct Case {
    const char* name;
    Attack attack;
    keyvoice::LoadStatus loaded;  // what loading it as a key sound gives
    FileError replaced;           // what replacing it gives
};

class HostileFile : public ::testing::TestWithParam<Case> {
  protected:
    // Makes the attack at folder/name.
    void Make(const fs::path& path) const {
        switch (GetParam().attack) {
            case Attack::Fifo:
                ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
                break;
            case Attack::Folder:
                fs::create_directory(path);
                break;
            case Attack::LinkToFifo:
                ASSERT_EQ(::mkfifo((folder.Path() / "fifo").c_str(), 0644), 0);
                fs::create_symlink(folder.Path() / "fifo", path);
                break;
            case Attack::LinkToCharDevice:
                fs::create_symlink("/dev/null", path);
                break;
            case Attack::OversizedSparseFile:
                Write(path, {'R', 'I', 'F', 'F'});
                fs::resize_file(path, keyvoice::kMaxSoundFileBytes + 1);  // sparse: no data
                break;
        }
    }

    TempFolder folder;
    PosixFileSystem files;
};

TEST_P(HostileFile, IsRefusedWithoutWaitingAndLeftAsItWas) {
    const fs::path path = folder.Path() / "cfff6.wax";
    Make(path);
    const std::vector<std::string> before = Names(folder.Path());
    const fs::file_status kind = fs::symlink_status(path);

    const std::optional<keyvoice::LoadStatus> loaded = Bounded<keyvoice::LoadStatus>(
        folder.Path(), [&] { return keyvoice::LoadSoundFile(files, path.string()).status; });
    ASSERT_TRUE(loaded.has_value()) << "loading waited for a writer";
    EXPECT_EQ(*loaded, GetParam().loaded);

    if (GetParam().attack != Attack::OversizedSparseFile) {
        const std::optional<FileError> prefix = Bounded<FileError>(folder.Path(), [&] {
            Bytes data;
            return files.ReadPrefix(path.string(), 16, data).error;
        });
        ASSERT_TRUE(prefix.has_value()) << "reading a prefix waited for a writer";
        EXPECT_EQ(*prefix, FileError::NotRegularFile);
    }

    const Bytes bytes{1, 2, 3};
    const std::span<const std::uint8_t> pieces[] = {bytes};
    const std::optional<FileStatus> replaced = Bounded<FileStatus>(
        folder.Path(), [&] { return files.ReplaceFile(path.string(), pieces); });
    ASSERT_TRUE(replaced.has_value()) << "replacing waited for a reader";
    EXPECT_EQ(replaced->error, GetParam().replaced) << replaced->detail;

    // Nothing was made, removed or turned into something else.
    EXPECT_EQ(Names(folder.Path()), before);
    EXPECT_EQ(fs::symlink_status(path).type(), kind.type());
}

INSTANTIATE_TEST_SUITE_P(
    Attacks, HostileFile,
    ::testing::Values(Case{"Fifo", Attack::Fifo, keyvoice::LoadStatus::NotRegularFile,
                           FileError::NotRegularFile},
                      Case{"Folder", Attack::Folder, keyvoice::LoadStatus::NotRegularFile,
                           FileError::NotRegularFile},
                      Case{"LinkToFifo", Attack::LinkToFifo, keyvoice::LoadStatus::NotRegularFile,
                           FileError::NotRegularFile},
                      Case{"LinkToCharDevice", Attack::LinkToCharDevice,
                           keyvoice::LoadStatus::NotRegularFile, FileError::NotRegularFile},
                      // A regular file: replacing it is fine, reading it is not.
                      Case{"OversizedSparseFile", Attack::OversizedSparseFile,
                           keyvoice::LoadStatus::TooLarge, FileError::None}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// VoxGauge and KeyVoice on the simulated card read the voice file ZAV_SIM_MIC names.
TEST(SimMicFile, AFifoIsRefusedWithoutWaitingForAWriter) {
    TempFolder folder;
    const fs::path fifo = folder.Path() / "voice.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::optional<std::string> whyNot = Bounded<std::string>(folder.Path(), [&] {
        zav::platform::sim::ManualDispatcher dispatcher;
        std::string problem;
        const auto env = [&](std::string_view name) -> std::optional<std::string> {
            if (name == zav::platform::sim::kSimMicVariable)
                return fifo.string();
            return std::nullopt;
        };
        const zav::platform::AudioBundle bundle =
            zav::platform::sim::SimAudioBackend().create(env, dispatcher, problem);
        return bundle ? std::string("a bundle was made") : problem;
    });
    ASSERT_TRUE(whyNot.has_value()) << "the simulated card waited for a writer";
    EXPECT_EQ(*whyNot, "ZAV_SIM_MIC file \"" + fifo.string() + "\" is not a regular file");
}

class Replacement : public ::testing::Test {
  protected:
    FileStatus Replace(const fs::path& path, const Bytes& bytes) {
        const std::span<const std::uint8_t> pieces[] = {bytes};
        return files.ReplaceFile(path.string(), pieces);
    }
    static mode_t Mode(const fs::path& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0);
        return info.st_mode & 07777;
    }

    TempFolder folder;
    PosixFileSystem files;
};

TEST_F(Replacement, WritesALinksTargetInItsOwnFolderAndKeepsTheLink) {
    fs::create_directory(folder.Path() / "real");
    fs::create_directory(folder.Path() / "links");
    const fs::path target = folder.Path() / "real" / "zav.reg";
    const fs::path link = folder.Path() / "links" / "zav.reg";
    Write(target, {9, 9});
    fs::create_symlink(target, link);

    ASSERT_TRUE(Replace(link, {1, 2, 3}).Ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), target);
    EXPECT_EQ(Content(target), (Bytes{1, 2, 3}));
    EXPECT_EQ(Names(folder.Path() / "real"), std::vector<std::string>{"zav.reg"});
    EXPECT_EQ(Names(folder.Path() / "links"), std::vector<std::string>{"zav.reg"});
}

TEST_F(Replacement, AReplacedFileKeepsItsModeAndANewOneFollowsTheUmask) {
    struct Row {
        mode_t umask;
        std::optional<mode_t> existing;  // the mode of the file replaced, if there is one
        mode_t expected;
    };
    const Row rows[] = {
        {022, 0600, 0600},         {077, 0664, 0664},         {022, std::nullopt, 0644},
        {077, std::nullopt, 0600}, {002, std::nullopt, 0664},
    };
    int number = 0;
    for (const Row& row : rows) {
        const fs::path path = folder.Path() / ("export" + std::to_string(number++) + ".reg");
        if (row.existing) {
            Write(path, {7});
            ASSERT_EQ(::chmod(path.c_str(), *row.existing), 0);
        }
        const mode_t saved = ::umask(row.umask);
        const FileStatus status = Replace(path, {1, 2});
        ::umask(saved);
        ASSERT_TRUE(status.Ok()) << status.detail;
        EXPECT_EQ(Mode(path), row.expected) << path;
        EXPECT_EQ(Content(path), (Bytes{1, 2}));
    }
}

// A process that replaces one file over and over is ended by SIGTERM or SIGINT at random
// moments: it ends by that signal, the file is whole (old or new) and no temporary file stays.
TEST(ReplacementKilled, BySigtermOrSigintLeavesNoTemporary) {
    TempFolder folder;
    const fs::path target = folder.Path() / "out.wav";
    const Bytes first(256 * 1024, 0x11);
    const Bytes second(256 * 1024, 0x22);
    Write(target, first);

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, 20000);
    constexpr int kRuns = 40;
    for (int run = 0; run < kRuns; ++run) {
        const int signal = run % 2 == 0 ? SIGTERM : SIGINT;
        const pid_t child = test_support::StartChild([&] {
            PosixFileSystem files;
            for (int round = 0;; ++round) {
                const std::span<const std::uint8_t> pieces[] = {round % 2 == 0 ? second : first};
                if (!files.ReplaceFile(target.string(), pieces).Ok())
                    return 3;
            }
        });
        ASSERT_GE(child, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(child, signal);
        const std::optional<int> ended = test_support::WaitForChild(child);
        ASSERT_TRUE(ended) << "the replacing process did not end on signal " << signal;
        const int status = *ended;
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
            << "run " << run << ", seed " << seed << ", status " << status;
        EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"out.wav"})
            << "run " << run << ", seed " << seed;
        const Bytes now = Content(target);
        ASSERT_TRUE(now == first || now == second) << "run " << run << ", seed " << seed;
    }
}

}  // namespace
