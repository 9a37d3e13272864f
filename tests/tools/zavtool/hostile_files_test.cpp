// zavtool against hostile files on the real file system: a FIFO, an oversized sparse file, a
// link to a device or a FIFO as the file to write. Each command ends at once with one line on
// the error stream and a non-zero status, and every file in the folder is as it was.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <sstream>

#include "keysound/wax_file.h"
#include "platform/posix/posix_file_system.h"
#include "platform/testing/memory_registry.h"
#include "tests/platform/registry/temp_folder.h"
#include "tools/zavtool/pcm_wave.h"
#include "tools/zavtool/zavtool.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

void Write(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// Every entry of the folder: its kind and, for files, its bytes; links as their targets.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::string& seen = entries[entry.path().filename().string()];
        if (entry.is_symlink()) {
            seen = "link to " + fs::read_symlink(entry.path()).string();
        } else if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            seen = "file " + std::string(std::istreambuf_iterator<char>(in), {});
        } else {
            seen = "kind " + std::to_string(static_cast<int>(entry.status().type()));
        }
    }
    return entries;
}

struct Attack {
    const char* name;
    std::vector<std::string> args;  // "@name" is the file name in the test folder
    int status;
    const char* says;  // a part of the one line on the error stream
};

class HostileFiles : public ::testing::TestWithParam<Attack> {
  protected:
    void SetUp() override {
        const fs::path& at = folder.Path();
        ASSERT_EQ(::mkfifo((at / "fifo").c_str(), 0644), 0);
        fs::create_symlink("/dev/null", at / "null");
        fs::create_symlink(at / "fifo", at / "fifo-link");
        std::vector<std::int16_t> samples(100, 1000);
        Write(at / "good.wav", zavtool::BuildPcmWave({1, 1, 22050, 44100, 2, 16}, samples));
        Write(at / "good.wax", keyvoice::BuildWaxHeader({1, 1, 22050, 44100, 2, 16}, 0));
        Write(at / "huge.wax", {'R', 'I', 'F', 'F'});
        fs::resize_file(at / "huge.wax", keyvoice::kMaxSoundFileBytes + 1);
        Write(at / "huge.wav", {'R', 'I', 'F', 'F'});
        fs::resize_file(at / "huge.wav", 4 * keyvoice::kMaxSoundFileBytes);
    }

    TempFolder folder;
};

TEST_P(HostileFiles, AreRefusedAtOnceWithOneLineAndChangeNothing) {
    std::vector<std::string> args = GetParam().args;
    for (std::string& arg : args) {
        if (arg.starts_with('@'))
            arg = (folder.Path() / arg.substr(1)).string();
    }
    const std::map<std::string, std::string> before = Snapshot(folder.Path());

    auto run = std::async(std::launch::async, [&] {
        std::ostringstream out, err;
        zav::platform::sim::MemoryRegistry registry;
        zav::platform::PosixFileSystem files;
        const int status = zavtool::RunZavtool(args, out, err, registry, files);
        return std::make_pair(status, err.str());
    });
    if (run.wait_for(60s) != std::future_status::ready) {
        // Waiting in an open of the FIFO: a reader and a writer let it go.
        const int reader = ::open((folder.Path() / "fifo").c_str(), O_RDONLY | O_NONBLOCK);
        const int writer = ::open((folder.Path() / "fifo").c_str(), O_WRONLY | O_NONBLOCK);
        ::close(writer);
        ::close(reader);
        run.wait();
        FAIL() << "zavtool waited for the FIFO";
    }
    const auto [status, err] = run.get();
    EXPECT_EQ(status, GetParam().status) << err;
    EXPECT_TRUE(err.starts_with("zavtool: ")) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(GetParam().says), std::string::npos) << err;
    EXPECT_EQ(Snapshot(folder.Path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, HostileFiles,
    ::testing::Values(
        Attack{"InfoOfAFifo", {"info", "@fifo"}, 1, "fifo: not a regular file"},
        Attack{"AnalyseOfALinkToAFifo", {"analyse", "@fifo-link"}, 1, "not a regular file"},
        Attack{"EncodeOfAFifo", {"encode", "@fifo", "@out.wax"}, 2, "is not a regular file"},
        Attack{"RegImportOfAFifo", {"reg", "import", "@fifo"}, 2, "is not a regular file"},
        Attack{"InfoOfAnOversizedFile", {"info", "@huge.wax"}, 1, "too large for a key sound"},
        Attack{"EncodeOfAnOversizedFile",
               {"encode", "@huge.wav", "@out.wax"},
               2,
               "too large for a key sound"},
        Attack{"DecodeIntoALinkToADevice",
               {"decode", "@good.wax", "@null"},
               2,
               "is not a regular file"},
        Attack{"EncodeIntoAFifo", {"encode", "@good.wav", "@fifo"}, 2, "is not a regular file"},
        Attack{"DecodeIntoAFolder", {"decode", "@good.wax", "@."}, 2, "is not a regular file"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
