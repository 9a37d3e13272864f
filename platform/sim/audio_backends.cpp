#include "platform/sim/audio_backends.h"

#include <fstream>
#include <iterator>

#include "platform/sim/sim_sound_card.h"
#include "platform/sim/wave_file_reader.h"

namespace zav::platform::sim {

namespace {

constexpr std::int16_t kToneAmplitude = 3000;
constexpr double kToneHertz = 440.0;

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

std::unique_ptr<AudioSystem> CreateSimCard(const EnvironmentLookup& env, std::string& whyNot) {
    SimCardConfig config;
    config.mic = SineMic(kToneAmplitude, kToneHertz);
    if (std::optional<std::string> path = env(kSimMicVariable); path && !path->empty()) {
        std::optional<MicSignal> mic = MicFromFile(*path, whyNot);
        if (!mic)
            return nullptr;
        config.mic = std::move(*mic);
    }
    auto card = std::make_unique<SimSoundCard>(std::move(config));
    card->StartThreads();
    return card;
}

}  // namespace

AudioBackend SimAudioBackend() {
    return AudioBackend{kSimBackendName, true, CreateSimCard};
}

}  // namespace zav::platform::sim
