// zavtool doctor on the real sound: ALSA through the sound server, the virtual microphone fed
// with speech or left silent, and the server's source muted, turned down or bypassed for an
// output's monitor through pactl and PULSE_SOURCE.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "keysound/config_store.h"
#include "platform/hardware/audio_backend_list.h"
#include "platform/posix/posix_file_system.h"
#include "platform/testing/memory_registry.h"
#include "server_test.h"
#include "test_sounds.h"
#include "tests/platform/registry/temp_folder.h"
#include "tools/zavtool/doctor_command.h"
#include "tools/zavtool/zavtool.h"

namespace alsa_test {
namespace {

using namespace std::chrono_literals;

// A figure of `sox FILE -n stats`, such as "RMS lev dB".
std::optional<double> SoxFigure(const std::filesystem::path& file, const std::string& label) {
    const CommandResult stats = RunCommand({"sox", file.string(), "-n", "stats"});
    std::istringstream lines(stats.output);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(label))
            return std::stod(line.substr(label.size()));
    }
    return std::nullopt;
}

// The number that follows name in the JSON document ("rms_dbfs": -20.51).
std::optional<double> JsonNumber(const std::string& json, const std::string& name) {
    const std::size_t at = json.find("\"" + name + "\": ");
    if (at == std::string::npos)
        return std::nullopt;
    return std::strtod(json.c_str() + at + name.size() + 4, nullptr);
}

class DoctorOnServerTest : public ServerTest {
  protected:
    void SetUp() override {
        ServerTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        std::ostringstream out, err;
        const std::vector<std::string> args{"demo-install", folder_.Path().string()};
        ASSERT_EQ(zavtool::RunZavtool(args, out, err, registry_, files_), 0) << err.str();
        // As VoxGauge's OK leaves it: two records.
        zav::platform::RegistryKey key;
        registry_.OpenKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, zav::platform::Access::All,
                          key);
        ASSERT_EQ(
            key.Set("MicEnv", zav::platform::ValueType::Binary, std::vector<std::uint8_t>(40, 0)),
            zav::platform::RegResult::Success);
    }

    void TearDown() override {
        unsetenv("PULSE_SOURCE");
        ServerTest::TearDown();
    }

    struct Run {
        int status = -1;
        std::string text;
        std::string json;
    };

    // The doctor as zavtool's main runs it, in both forms.
    Run RunDoctor(double seconds) {
        zavtool::NativeFolderReader folders;
        const zavtool::DoctorMachine machine{zav::platform::ProcessEnvironment(),
                                             zav::platform::ChooseAudioBackend, folders};
        Run run;
        std::ostringstream text, json, err;
        const std::string duration = std::to_string(seconds);
        run.status = zavtool::RunZavtool(std::vector<std::string>{"doctor", "--seconds", duration},
                                         text, err, registry_, files_, &machine);
        const int jsonStatus =
            zavtool::RunZavtool(std::vector<std::string>{"doctor", "--json", "--seconds", duration},
                                json, err, registry_, files_, &machine);
        EXPECT_EQ(jsonStatus, run.status) << json.str();
        run.text = text.str();
        run.json = json.str();
        return run;
    }

    TempFolder folder_;
    zav::platform::sim::MemoryRegistry registry_;
    zav::platform::PosixFileSystem files_;
};

TEST_F(DoctorOnServerTest, SpeechIsAllOkAndEachBreakOfTheChainIsNamed) {
    const std::filesystem::path speech =
        MakeSpeech("doctor-speech.wav", "Five, four, three, two, one, ignition.");
    ASSERT_FALSE(speech.empty()) << "espeak-ng could not make the speech";
    const std::optional<PcmSamples> samples = ReadSound(speech);
    ASSERT_TRUE(samples.has_value());
    const std::optional<double> soxRms = SoxFigure(speech, "RMS lev dB");
    const std::optional<double> soxPeak = SoxFigure(speech, "Pk lev dB");
    ASSERT_TRUE(soxRms && soxPeak) << "sox stats gave no levels";
    // One whole turn of the looped feed: the level does not depend on where the capture starts.
    const double seconds = static_cast<double>(samples->FrameCount()) / samples->sampleRate;

    ASSERT_TRUE(Feed(speech, true));
    std::this_thread::sleep_for(300ms);
    const Run spoken = RunDoctor(seconds);
    EXPECT_EQ(spoken.status, 0) << spoken.text;
    EXPECT_NE(spoken.text.find("All is well."), std::string::npos) << spoken.text;
    const std::optional<double> rms = JsonNumber(spoken.json, "rms_dbfs");
    const std::optional<double> peak = JsonNumber(spoken.json, "peak_dbfs");
    ASSERT_TRUE(rms && peak) << spoken.json;
    EXPECT_NEAR(*rms, *soxRms, 3.0);
    EXPECT_NEAR(*peak, *soxPeak, 3.0);
    ReportMeasurement("doctor: speech RMS " + std::to_string(*rms) + " dBFS, sox " +
                      std::to_string(*soxRms) + " dBFS");

    struct Break {
        std::string name;
        std::function<bool()> apply;
        std::string finding;
    };
    const std::vector<Break> breaks{
        {"the source muted", [] { return SetDefaultSourceMuted(true); }, "  problem  mute: "},
        {"the volume at 0", [] { return SetDefaultSourceVolumes({0}); },
         "  problem  record-volume: "},
        {"the feed stopped", [] { return FeedStop(); }, "  problem  levels: silent microphone"},
        {"PULSE_SOURCE at a monitor",
         [] {
             const CommandResult sink = RunCommand({"pactl", "get-default-sink"});
             std::string name = sink.output.substr(0, sink.output.find('\n'));
             return sink.status == 0 && !name.empty() &&
                    setenv("PULSE_SOURCE", (name + ".monitor").c_str(), 1) == 0;
         },
         "  problem  monitor: the input is a monitor of an output (PULSE_SOURCE="},
    };
    for (const Break& chainBreak : breaks) {
        SCOPED_TRACE(chainBreak.name);
        ASSERT_TRUE(Restore());
        unsetenv("PULSE_SOURCE");
        ASSERT_TRUE(Feed(speech, true));
        ASSERT_TRUE(chainBreak.apply());
        std::this_thread::sleep_for(300ms);
        const Run run = RunDoctor(0.5);
        EXPECT_EQ(run.status, 2) << run.text;
        EXPECT_NE(run.text.find(chainBreak.finding), std::string::npos) << run.text;
    }
}

}  // namespace
}  // namespace alsa_test
