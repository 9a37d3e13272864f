#include "platform/sim/audio_backends.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/riff/wave_chunks.h"
#include "platform/sim/demo_mixer.h"
#include "platform/sim/demo_voice.h"
#include "platform/sim/mixer_sim.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/sim/wave_file_reader.h"

namespace zav::platform::sim {

namespace {

// Reads the voice file named by ZAV_SIM_MIC; on failure says why in whyNot. Only a regular
// file is opened: a FIFO or a device would block the open or the reads.
std::optional<MicSignal> MicFromFile(const std::string& path, std::string& whyNot) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!error && !std::filesystem::is_regular_file(status)) {
        whyNot = std::string(kSimMicVariable) + " file \"" + path + "\" is not a regular file";
        return std::nullopt;
    }
    const std::uintmax_t fileSize = error ? 0 : std::filesystem::file_size(path, error);
    if (!error && fileSize > kMaxSimMicFileBytes) {
        whyNot = std::string(kSimMicVariable) + " file \"" + path + "\" is too large";
        return std::nullopt;
    }
    std::ifstream file;
    if (!error)
        file.open(path, std::ios::binary);
    if (error || !file) {
        whyNot = std::string(kSimMicVariable) + " file \"" + path + "\" cannot be opened";
        return std::nullopt;
    }
    const auto size = static_cast<std::streamsize>(fileSize);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) {
        whyNot = std::string(kSimMicVariable) + " file \"" + path + "\" cannot be read";
        return std::nullopt;
    }
    std::string problem;
    std::optional<PcmSamples> samples = ReadWaveFile(bytes, problem);
    if (!samples) {
        whyNot = std::string(kSimMicVariable) + " file \"" + path + "\": " + problem;
        return std::nullopt;
    }
    return LoopedRecordingMic(std::move(*samples));
}

// Writes what the speaker played as a WAVE file of the format it was played in. Called once
// the program is done with the card.
void WriteSpeaker(const SimSoundCard& card, const std::string& path) {
    const std::optional<PcmWaveFormat> format = card.PlayedFormat(0);
    if (!format)
        return;  // nothing was played
    const std::vector<std::uint8_t> played = card.PlayedBytes(0);
    std::vector<std::uint8_t> bytes =
        riff::BuildWaveHeader(*format, static_cast<std::uint32_t>(played.size()));
    bytes.insert(bytes.end(), played.begin(), played.end());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file)
        std::fprintf(stderr, "simulated card: %s cannot be written\n", path.c_str());
}

// What lives beside the card: the voice's link to the mixer's volume, and the speaker's file.
class SimExtras final : public BackendExtras {
  public:
    SimExtras(SimMixer& mixer, const SimSoundCard& card,
              std::shared_ptr<std::atomic<std::uint32_t>> volume, std::string speakerPath)
        : card_(card), speakerPath_(std::move(speakerPath)) {
        if (volume)
            link_.emplace(mixer, std::move(volume));
    }
    ~SimExtras() override {
        if (!speakerPath_.empty())
            WriteSpeaker(card_, speakerPath_);
    }
    SimExtras(const SimExtras&) = delete;
    SimExtras& operator=(const SimExtras&) = delete;

  private:
    const SimSoundCard& card_;
    std::string speakerPath_;
    std::optional<DemoMicVolumeLink> link_;
};

AudioBundle CreateSimBundle(const EnvironmentLookup& env, Dispatcher& dispatcher,
                            std::string& whyNot) {
    AudioBundle bundle;
    SimCardConfig config;
    std::optional<MicSignal> voiceFile;
    if (std::optional<std::string> path = env(kSimMicVariable); path && !path->empty()) {
        voiceFile = MicFromFile(*path, whyNot);
        if (!voiceFile)
            return bundle;
        config.mic = std::move(*voiceFile);
    }
    auto card = std::make_unique<SimSoundCard>(std::move(config));
    card->SetViolationHandler(ReportRuleViolation);
    auto mixer = std::make_unique<SimMixer>(DemoMixerTopology(), dispatcher);
    mixer->SetViolationHandler(ReportRuleViolation);
    std::shared_ptr<std::atomic<std::uint32_t>> volume;
    if (!voiceFile) {
        volume = std::make_shared<std::atomic<std::uint32_t>>(kDemoMicVolumeStart);
        card->SetMicSignal(SpeakingVoiceMic(volume));
    }
    bundle.extras = std::make_unique<SimExtras>(*mixer, *card, std::move(volume),
                                                env(kSimSpeakerVariable).value_or(""));
    card->StartThreads();
    bundle.audio = std::move(card);
    bundle.mixer = std::move(mixer);
    return bundle;
}

}  // namespace

AudioBackend SimAudioBackend() {
    return AudioBackend{kSimBackendName, true, CreateSimBundle};
}

}  // namespace zav::platform::sim
