#include "platform/sim/audio_backends.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/bytes/little_endian.h"
#include "platform/sim/demo_mixer.h"
#include "platform/sim/demo_voice.h"
#include "platform/sim/mixer_sim.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/sim/wave_file_reader.h"

namespace zav::platform::sim {

namespace {

// Reads the voice file named by ZAV_SIM_MIC; on failure says why in whyNot.
std::optional<MicSignal> MicFromFile(const std::string& path, std::string& whyNot) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        whyNot = std::string(kSimMicVariable) + " file \"" + path + "\" cannot be opened";
        return std::nullopt;
    }
    const std::streamoff size = file.tellg();
    if (size < 0 || static_cast<std::uint64_t>(size) > kMaxSimMicFileBytes) {
        whyNot = std::string(kSimMicVariable) + " file \"" + path + "\" is too large";
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    file.seekg(0);
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
    std::vector<std::uint8_t> bytes;
    LeWriter writer(bytes);
    const auto size = static_cast<std::uint32_t>(played.size());
    writer.Code(MakeFourCc("RIFF")).U32(36 + size).Code(MakeFourCc("WAVE"));
    writer.Code(MakeFourCc("fmt ")).U32(16).U16(format->formatTag).U16(format->channels);
    writer.U32(format->samplesPerSec).U32(format->avgBytesPerSec);
    writer.U16(format->blockAlign).U16(format->bitsPerSample);
    writer.Code(MakeFourCc("data")).U32(size);
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
