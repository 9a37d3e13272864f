#include "sound_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

extern char** environ;

namespace alsa_test {

namespace {

constexpr const char* kDefaultSource = "@DEFAULT_SOURCE@";

std::vector<char*> Argv(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return argv;
}

int ExitStatus(int waitStatus) {
    return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
}

std::string EnvOr(const char* name, const std::string& otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : otherwise;
}

CommandResult Pactl(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"pactl"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunCommand(argv, std::chrono::seconds(10));
}

// The first number after each "NAME:" of "Volume: front-left: 65536 / 100% / 0.00 dB, ...".
std::vector<long> ParseVolumes(const std::string& text) {
    std::vector<long> volumes;
    const std::string firstLine = text.substr(0, text.find('\n'));
    std::size_t at = firstLine.find(':');  // after "Volume"
    while (at != std::string::npos) {
        at = firstLine.find(':', at + 1);
        if (at == std::string::npos)
            break;
        std::istringstream rest(firstLine.substr(at + 1));
        long value = 0;
        if (rest >> value)
            volumes.push_back(value);
    }
    return volumes;
}

}  // namespace

void ReportMeasurement(const std::string& line) {
    std::printf("%s\n", line.c_str());
    const std::string file = EnvOr("ZAV_MEASUREMENTS_FILE", "");
    if (file.empty())
        return;
    if (std::FILE* out = std::fopen(file.c_str(), "a")) {
        std::fprintf(out, "%s\n", line.c_str());
        std::fclose(out);
    }
}

CommandResult RunCommand(const std::vector<std::string>& args, std::chrono::seconds limit) {
    std::vector<std::string> limited = {"timeout", std::to_string(limit.count())};
    limited.insert(limited.end(), args.begin(), args.end());
    // Close-on-exec, so that a daemon the command starts does not keep the pipe open.
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    pid_t pid = -1;
    std::vector<char*> argv = Argv(limited);
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    CommandResult result;
    if (spawned != 0) {
        close(pipeFds[0]);
        return result;
    }
    char chunk[4096];
    ssize_t got = 0;
    while ((got = read(pipeFds[0], chunk, sizeof(chunk))) > 0)
        result.output.append(chunk, static_cast<std::size_t>(got));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = ExitStatus(status);
    return result;
}

BackgroundCommand::BackgroundCommand(const std::vector<std::string>& args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv = Argv(args);
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

BackgroundCommand::~BackgroundCommand() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        Wait();
    }
}

int BackgroundCommand::Wait() {
    if (pid_ <= 0)
        return -1;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return ExitStatus(status);
}

std::optional<std::string> WhyNoServer() {
    if (std::getenv("PULSE_SERVER") == nullptr) {
        return std::string(
            "no sound server: PULSE_SERVER is not set (scripts/audio-tests starts "
            "one and runs these tests)");
    }
    const CommandResult info = Pactl({"info"});
    if (info.status != 0) {
        return "the sound server at PULSE_SERVER=" + EnvOr("PULSE_SERVER", "") +
               " does not answer (pactl info: " + info.output + ")";
    }
    return std::nullopt;
}

std::optional<std::string> WhyNotTheSandbox() {
    const std::filesystem::path script = SandboxScript();
    if (script.empty()) {
        return std::string(
            "the audio sandbox script is missing (set ZAV_AUDIO_SANDBOX to "
            "shared/audio-sandbox/audio-sandbox)");
    }
    const CommandResult environment = RunCommand({script.string(), "env"});
    const std::string ours = "PULSE_SERVER=" + EnvOr("PULSE_SERVER", "");
    if (environment.status != 0 || environment.output.find(ours + "\n") == std::string::npos) {
        return "the sound server at " + ours + " is not the audio sandbox's (AUDIO_SANDBOX_DIR=" +
               EnvOr("AUDIO_SANDBOX_DIR", "/tmp/audio-sandbox") +
               "); the tests change its microphone, so they only run on the sandbox";
    }
    return std::nullopt;
}

std::filesystem::path SandboxScript() {
    std::filesystem::path script = EnvOr("ZAV_AUDIO_SANDBOX", "");
    if (script.empty())
        script = std::filesystem::path(ZAV_SOURCE_DIR) / ".." / "shared" / "audio-sandbox" /
                 "audio-sandbox";
    std::error_code error;
    return std::filesystem::is_regular_file(script, error) ? script : std::filesystem::path();
}

std::string DefaultCardName() {
    const CommandResult info = RunCommand({"amixer", "-D", "default", "info"});
    constexpr std::string_view kField = "Mixer name\t: '";
    const std::size_t at = info.output.find(kField);
    if (info.status != 0 || at == std::string::npos)
        return {};
    const std::size_t from = at + kField.size();
    return info.output.substr(from, info.output.find('\'', from) - from);
}

std::optional<SourceFormat> DefaultSourceFormat() {
    const CommandResult name = Pactl({"get-default-source"});
    const CommandResult sources = Pactl({"list", "short", "sources"});
    if (name.status != 0 || sources.status != 0)
        return std::nullopt;
    const std::string wanted = name.output.substr(0, name.output.find('\n'));
    std::istringstream lines(sources.output);
    std::string line;
    while (std::getline(lines, line)) {
        // index, name, driver, "s16le 1ch 22050Hz", state
        std::istringstream fields(line);
        std::string index, source, driver, format, channels, rate;
        fields >> index >> source >> driver >> format >> channels >> rate;
        if (source != wanted)
            continue;
        SourceFormat found;
        found.channels = static_cast<unsigned>(std::stoul(channels));
        found.rate = static_cast<unsigned>(std::stoul(rate));
        return found;
    }
    return std::nullopt;
}

std::vector<long> DefaultSourceVolumes() {
    const CommandResult got = Pactl({"get-source-volume", kDefaultSource});
    return got.status == 0 ? ParseVolumes(got.output) : std::vector<long>{};
}

std::optional<bool> DefaultSourceMuted() {
    const CommandResult got = Pactl({"get-source-mute", kDefaultSource});
    if (got.status != 0)
        return std::nullopt;
    return got.output.find("yes") != std::string::npos;
}

bool SetDefaultSourceVolumes(const std::vector<long>& volumes) {
    std::vector<std::string> args = {"set-source-volume", kDefaultSource};
    for (long volume : volumes)
        args.push_back(std::to_string(volume));
    return Pactl(args).status == 0;
}

bool SetDefaultSourceMuted(bool muted) {
    return Pactl({"set-source-mute", kDefaultSource, muted ? "1" : "0"}).status == 0;
}

bool Feed(const std::filesystem::path& file, bool loop, bool wait) {
    std::vector<std::string> args = {SandboxScript().string(), "feed"};
    if (loop)
        args.push_back("--loop");
    if (wait)
        args.push_back("--wait");
    args.push_back(file.string());
    return RunCommand(args, std::chrono::seconds(60)).status == 0;
}

bool FeedStop() {
    return RunCommand({SandboxScript().string(), "feed", "--stop"}).status == 0;
}

PrivateServer::PrivateServer()
    : directory_(std::filesystem::temp_directory_path() /
                 ("zav-alsa-private-" + std::to_string(getpid()))),
      savedServer_(EnvOr("PULSE_SERVER", "")),
      savedCookie_(EnvOr("PULSE_COOKIE", "")) {
    const CommandResult started = RunCommand(Sandbox("start"), std::chrono::seconds(60));
    if (started.status != 0) {
        problem_ = "the private sound server did not start: " + started.output;
        return;
    }
    // The sandbox prints "export NAME=value" lines; take them into this process.
    std::istringstream lines(started.output);
    std::string line;
    while (std::getline(lines, line)) {
        constexpr std::string_view kExport = "export ";
        if (line.rfind(kExport, 0) != 0)
            continue;
        const std::string assignment = line.substr(kExport.size());
        const std::size_t equals = assignment.find('=');
        if (equals != std::string::npos) {
            setenv(assignment.substr(0, equals).c_str(), assignment.substr(equals + 1).c_str(), 1);
        }
    }
    running_ = true;
}

PrivateServer::~PrivateServer() {
    Stop();
    setenv("PULSE_SERVER", savedServer_.c_str(), 1);
    setenv("PULSE_COOKIE", savedCookie_.c_str(), 1);
}

std::vector<std::string> PrivateServer::Sandbox(const std::string& command) const {
    return {"env", "AUDIO_SANDBOX_DIR=" + directory_.string(), SandboxScript().string(), command};
}

bool PrivateServer::RemoveAllDevices() {
    return Pactl({"unload-module", "module-remap-source"}).status == 0 &&
           Pactl({"unload-module", "module-null-sink"}).status == 0;
}

bool PrivateServer::Stop() {
    if (!running_)
        return true;
    running_ = false;
    return RunCommand(Sandbox("stop"), std::chrono::seconds(30)).status == 0;
}

}  // namespace alsa_test
