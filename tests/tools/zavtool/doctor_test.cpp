// zavtool doctor on the simulated card and mixer, the in-memory store and files: each finding
// the doctor exists for, one installation or machine fault at a time.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>

#include "keysound/config_store.h"
#include "platform/sim/demo_mixer.h"
#include "platform/sim/mixer_sim.h"
#include "platform/sim/sim_sound_card.h"
#include "tools/zavtool/demo_install_command.h"
#include "tools/zavtool/doctor_command.h"
#include "tools/zavtool/doctor_findings.h"
#include "tools/zavtool/pcm_wave.h"
#include "zavtool_runner.h"

namespace {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;

// The folders of the in-memory files: a folder exists when a file lies in it.
class MemoryFolders final : public zavtool::FolderReader {
  public:
    explicit MemoryFolders(const sim::MemoryFileSystem& files) : files_(files) {}
    std::optional<std::vector<std::string>> ListFolder(std::string_view hostPath) override {
        std::string folder(hostPath);
        std::replace(folder.begin(), folder.end(), '\\', '/');
        if (!folder.ends_with('/'))
            folder += '/';
        std::optional<std::vector<std::string>> names;
        for (const auto& [path, content] : files_.Files()) {
            if (path.starts_with(folder)) {
                names.emplace();
                names->push_back(path.substr(folder.size()));
            }
        }
        return names;
    }

  private:
    const sim::MemoryFileSystem& files_;
};

class NoFolders final : public zavtool::FolderMaker {
  public:
    platform::FileStatus MakeFolders(std::string_view) override { return {}; }
};

// The machine the doctor examines: a simulated card and mixer built as the case asks.
struct Machine {
    sim::SimCardConfig card;
    platform::sim::MixerTopology mixer = sim::DemoMixerTopology();
};

constexpr double kTwoPi = 6.283185307179586;

sim::MicSignal Voice(double amplitude) {
    return [amplitude](std::uint64_t frame, std::uint32_t, std::uint32_t rate) {
        const double value =
            amplitude * std::sin(kTwoPi * 300.0 * static_cast<double>(frame) / rate);
        return static_cast<std::int16_t>(std::clamp(value, -32768.0, 32767.0));
    };
}

struct DoctorCase {
    std::string name;
    std::function<void(ZavtoolRunner&, Machine&)> breakIt;
    std::string check;
    zavtool::Severity severity;
    std::string detail;  // a part of the finding's detail
};

class Doctor : public ::testing::Test {
  protected:
    void Install() {
        NoFolders folders;
        std::vector<std::string> args{"/zav"};
        std::ostringstream out, err;
        zavtool::CommandContext context{args, out, err, tool->registry, tool->files};
        ASSERT_EQ(zavtool::InstallDemo(context, folders), zavtool::ExitStatus::Success)
            << err.str();
        std::vector<std::int16_t> voice(22050);
        for (std::size_t i = 0; i < voice.size(); ++i)
            voice[i] = static_cast<std::int16_t>(12000 * std::sin(kTwoPi * 300.0 * i / 22050));
        tool->files.Put("/take.wav", zavtool::BuildPcmWave({1, 1, 22050, 44100, 2, 16}, voice));
        ASSERT_EQ(tool->Run({"import-key", "7", "/take.wav"}).status, 0);
        tool->files.DeleteFile("/take.wav");
        const std::vector<std::uint8_t> micEnv(2 * 20, 0);
        platform::RegistryKey key;
        ASSERT_EQ(tool->registry.OpenKey(keyvoice::kZavHive, keyvoice::kZavKeyPath,
                                         platform::Access::All, key),
                  platform::RegResult::Success);
        key.Set("MicEnv", platform::ValueType::Binary, micEnv);
    }

    // Runs the doctor; the card runs fifty times faster than real time.
    ZavtoolRun RunDoctor(Machine& machine, std::vector<std::string> args = {"--seconds", "0.5"}) {
        MemoryFolders folders(tool->files);
        const zavtool::DoctorMachine doctorMachine{
            [](std::string_view) -> std::optional<std::string> { return std::nullopt; },
            [&machine](platform::Dispatcher& dispatcher, const platform::EnvironmentLookup&) {
                platform::AudioSelection selection;
                auto card = std::make_unique<sim::SimSoundCard>(machine.card);
                card->SetViolationHandler(
                    [](std::string_view message) { ADD_FAILURE() << message; });
                card->StartThreads(std::chrono::milliseconds(5), 50.0);
                selection.bundle.audio = std::move(card);
                selection.bundle.mixer = std::make_unique<sim::SimMixer>(machine.mixer, dispatcher);
                selection.backend = "sim";
                return selection;
            },
            folders};
        return CaptureRun([&](std::ostream& out, std::ostream& err) {
            zavtool::CommandContext context{args,           out,         err,
                                            tool->registry, tool->files, &doctorMachine};
            return zavtool::Doctor(context, doctorMachine);
        });
    }

    std::unique_ptr<ZavtoolRunner> tool = std::make_unique<ZavtoolRunner>();
};

void SetControl(platform::sim::MixerTopology& topology, std::uint32_t id, std::uint32_t value) {
    for (auto& destination : topology.devices.at(0).destinations) {
        for (auto& source : destination.sources) {
            for (auto& control : source.controls)
                if (control.id == id)
                    control.values.assign(control.values.size(), value);
        }
    }
}

TEST_F(Doctor, AWellMachineIsAllOkAndTheDoctorWritesNothingThatStays) {
    ASSERT_NO_FATAL_FAILURE(Install());
    Machine machine;
    machine.card.mic = Voice(8000);
    const auto filesBefore = tool->files.Files();
    const int replacesBefore = tool->files.ReplaceCalls();

    const ZavtoolRun run = RunDoctor(machine);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("All is well."), std::string::npos) << run.out;
    // -12 dBFS peak and -15 dBFS RMS for a sine of a quarter of full scale.
    EXPECT_NE(run.out.find("peak -12.2 dBFS, RMS -15.3 dBFS"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Key7Info: /zav/sys\\cfff7.wax loads and analyses as"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(tool->files.Files(), filesBefore);
    EXPECT_EQ(tool->files.ReplaceCalls(), replacesBefore + 1);  // the removed test file

    const ZavtoolRun json = RunDoctor(machine, {"--json", "--seconds", "0.5"});
    EXPECT_EQ(json.status, 0);
    EXPECT_TRUE(json.out.starts_with("{\n  \"status\": \"ok\",\n  \"findings\": [")) << json.out;
    EXPECT_NE(json.out.find("\"detail\": \"mixer 0 \\\"Simulated Mixer\\\""), std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"rms_dbfs\": -15.26"), std::string::npos) << json.out;
}

TEST_F(Doctor, EachFaultIsNamedWithWhatToDoAndSetsTheExitStatus) {
    const std::vector<DoctorCase> cases{
        {"no installation", nullptr, "store", zavtool::Severity::Problem, "no installation"},
        {"a missing built-in",
         [](ZavtoolRunner& runner, Machine&) { runner.files.DeleteFile("/zav/data/cfff3.wax"); },
         "builtin-sounds", zavtool::Severity::Problem,
         "key 3's sound /zav/data/cfff3.wax does not load"},
        {"a stale KeyNInfo",
         [](ZavtoolRunner& runner, Machine&) {
             const keyvoice::ConfigStore config(runner.registry);
             std::string text = *config.ReadValueText("Key7Info", 300);
             text[0] = text[0] == '3' ? '4' : '3';
             config.WriteConfigValue(text, "Key7Info");
         },
         "Key7Info", zavtool::Severity::Warning, "but its file analyses as"},
        {"an unwritable ZavSysPath",
         [](ZavtoolRunner& runner, Machine&) { runner.files.FailWritesUnder("/zav/sys"); },
         "ZavSysPath-writable", zavtool::Severity::Problem, "cannot be written"},
        {"a leftover pending mark",
         [](ZavtoolRunner& runner, Machine&) {
             keyvoice::ConfigStore(runner.registry).WriteConfigValue("0123:1,0,x", "Key9Pending");
         },
         "pending-stores", zavtool::Severity::Warning, "Key9Pending"},
        {"a muted line",
         [](ZavtoolRunner&, Machine& machine) { SetControl(machine.mixer, 203, 1); }, "mute",
         zavtool::Severity::Problem, "\"Microphone\" is muted"},
        {"a volume at 0",
         [](ZavtoolRunner&, Machine& machine) {
             SetControl(machine.mixer, sim::kDemoMicVolumeControlId, 0);
         },
         "record-volume", zavtool::Severity::Problem, "is at 0"},
        {"a silent microphone",
         [](ZavtoolRunner&, Machine& machine) { machine.card.mic = sim::SilentMic(); }, "levels",
         zavtool::Severity::Problem, "silent microphone"},
        {"a microphone that only hisses",
         [](ZavtoolRunner&, Machine& machine) { machine.card.mic = Voice(40); }, "levels",
         zavtool::Severity::Warning, "only a noise floor"},
        {"a clipping microphone",
         [](ZavtoolRunner&, Machine& machine) { machine.card.mic = Voice(60000); }, "levels",
         zavtool::Severity::Warning, "clipping"},
        {"an offset",
         [](ZavtoolRunner&, Machine& machine) {
             machine.card.mic = sim::SineMic(8000, 300.0, 1000);
         },
         "levels", zavtool::Severity::Warning, "offset of 3.1 %"},
        {"no input device", [](ZavtoolRunner&, Machine& machine) { machine.card.inputs.clear(); },
         "input-device", zavtool::Severity::Problem, "none at all (KeyVoice says:"},
    };
    for (const DoctorCase& fault : cases) {
        SCOPED_TRACE(fault.name);
        tool = std::make_unique<ZavtoolRunner>();
        Machine machine;
        machine.card.mic = Voice(8000);
        if (fault.breakIt) {
            ASSERT_NO_FATAL_FAILURE(Install());
            fault.breakIt(*tool, machine);
        }

        const ZavtoolRun run = RunDoctor(machine);
        const bool problem = fault.severity == zavtool::Severity::Problem;
        EXPECT_EQ(run.status, problem ? 2 : 1) << run.out;
        const std::string line =
            std::string(problem ? "  problem  " : "  warning  ") + fault.check + ": ";
        const std::size_t at = run.out.find(line);
        ASSERT_NE(at, std::string::npos) << run.out;
        const std::string rest = run.out.substr(at);
        // The finding's line and its advice line.
        const std::string finding = rest.substr(0, rest.find('\n', rest.find('\n') + 1));
        EXPECT_NE(finding.find(fault.detail), std::string::npos) << finding;
        EXPECT_NE(finding.find("what to do: "), std::string::npos) << finding;
        // Nothing else is reported.
        EXPECT_EQ(run.out.find("what to do: "), run.out.rfind("what to do: ")) << run.out;
    }
}

TEST_F(Doctor, BadArgumentsGetOneLineAndStatusTwoBeforeAnythingRuns) {
    Machine machine;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--seconds"},
                                                 {"--seconds", "0"},
                                                 {"--seconds", "2x"},
                                                 {"--seconds", "nan"},
                                                 {"--verbose"},
                                                 {"extra"}}) {
        const ZavtoolRun run = RunDoctor(machine, args);
        ExpectOneErrorLine(run, 2, "");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(tool->files.ReplaceCalls(), 0);
}

}  // namespace
