#include "platform/sim/audio_backends.h"

#include <fstream>
#include <iterator>

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

// Keeps the speaking voice following the demo mixer's microphone volume.
class SimExtras final : public BackendExtras {
  public:
    SimExtras(SimMixer& mixer, std::shared_ptr<std::atomic<std::uint32_t>> volume)
        : link_(mixer, std::move(volume)) {}

  private:
    DemoMicVolumeLink link_;
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
    if (!voiceFile) {
        auto volume = std::make_shared<std::atomic<std::uint32_t>>(kDemoMicVolumeStart);
        bundle.extras = std::make_unique<SimExtras>(*mixer, volume);
        card->SetMicSignal(SpeakingVoiceMic(volume));
    }
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
