#pragma once
// The real sound server the audio tests run against, and the tools they use on it: pactl to
// read and change the default source, and the audio sandbox (scripts/audio-tests starts it) to
// feed the virtual microphone, record the virtual speaker and start private servers.
//
// The tests skip, saying why, when PULSE_SERVER is not set or the server does not answer.
//
// Thread: the test's thread.

#include <sys/types.h>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace alsa_test {

struct CommandResult {
    int status = -1;  // the exit status; -1 when the command could not run
    std::string output;
};

// Prints a measured figure, and appends it to $ZAV_MEASUREMENTS_FILE when that is set, so that
// scripts/audio-tests can show it however ctest shows the test's own output.
void ReportMeasurement(const std::string& line);

// Runs argv (no shell) to its end, at most limit long; stdout is kept, stderr is appended.
CommandResult RunCommand(const std::vector<std::string>& argv,
                         std::chrono::seconds limit = std::chrono::seconds(20));

// A command left running in the background; it is killed if still running when destroyed.
class BackgroundCommand {
  public:
    explicit BackgroundCommand(const std::vector<std::string>& argv);
    ~BackgroundCommand();
    BackgroundCommand(const BackgroundCommand&) = delete;
    BackgroundCommand& operator=(const BackgroundCommand&) = delete;

    bool Started() const { return pid_ > 0; }
    // Waits for the command's end; its exit status, or -1.
    int Wait();

  private:
    pid_t pid_ = -1;
};

// Why no sound server can be used, or nullopt when one answers.
std::optional<std::string> WhyNoServer();

// Why the server at PULSE_SERVER is not the audio sandbox's, whose microphone the tests feed;
// nullopt when it is. Guards a person's own sound server against the tests' changes.
std::optional<std::string> WhyNotTheSandbox();

// The audio sandbox script: $ZAV_AUDIO_SANDBOX, else ../shared/audio-sandbox/audio-sandbox
// beside the source tree; empty when there is none.
std::filesystem::path SandboxScript();

// The name ALSA's default card gives itself (amixer's "Mixer name"): "PulseAudio" through the
// pulse plugin, "PipeWire" through PipeWire's own; empty when it cannot be read.
std::string DefaultCardName();

// The virtual microphone (the server's default source).
struct SourceFormat {
    unsigned rate = 0;
    unsigned channels = 0;
};
std::optional<SourceFormat> DefaultSourceFormat();
// The raw volume of each channel (0 to 65536 is 0 to 100 %); empty when it cannot be read.
std::vector<long> DefaultSourceVolumes();
std::optional<bool> DefaultSourceMuted();
bool SetDefaultSourceVolumes(const std::vector<long>& volumes);
bool SetDefaultSourceMuted(bool muted);

// The virtual microphone plays file (once, or in a loop) from now on; with wait, returns when it
// has played it. FeedStop makes the microphone silent again.
bool Feed(const std::filesystem::path& file, bool loop = false, bool wait = false);
bool FeedStop();

// A sound server of the test's own, in its own directory, that the test may stop. While it
// lives, this process's PULSE_SERVER and PULSE_COOKIE point at it, so ALSA's default devices
// reach it (ALSA has already chosen the sound server when the shared one answered).
class PrivateServer {
  public:
    PrivateServer();
    ~PrivateServer();  // stops it if still running and points the process back
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    bool Running() const { return running_; }
    // Why it could not start.
    const std::string& Problem() const { return problem_; }
    // Unloads every sink and source: the server then has no device at all.
    bool RemoveAllDevices();
    bool Stop();

  private:
    std::vector<std::string> Sandbox(const std::string& command) const;

    std::filesystem::path directory_;
    std::string savedServer_;
    std::string savedCookie_;
    bool running_ = false;
    std::string problem_;
};

}  // namespace alsa_test
