#include "test_sounds.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "sound_server.h"

namespace alsa_test {

namespace {

// Frames of the reference that the correlation looks for.
constexpr std::size_t kProbeFrames = 512;

std::filesystem::path SoundPath(const std::string& name) {
    const std::filesystem::path folder = ZAV_TEST_SOUND_DIR;
    std::filesystem::create_directories(folder);
    return folder / (name + ".wav");
}

std::filesystem::path Sox(const std::string& name, unsigned rate, unsigned channels, double seconds,
                          const std::string& kind, double volume, const std::string& hertz = {}) {
    const std::filesystem::path path = SoundPath(name);
    std::vector<std::string> args = {"sox",
                                     "-n",
                                     "-r",
                                     std::to_string(rate),
                                     "-c",
                                     std::to_string(channels),
                                     "-b",
                                     "16",
                                     path.string(),
                                     "synth",
                                     std::to_string(seconds),
                                     kind};
    if (!hertz.empty())
        args.push_back(hertz);
    args.insert(args.end(), {"vol", std::to_string(volume)});
    return RunCommand(args).status == 0 ? path : std::filesystem::path();
}

}  // namespace

std::filesystem::path MakeTone(const std::string& name, unsigned rate, unsigned channels,
                               double seconds, double hertz, double volume) {
    return Sox(name, rate, channels, seconds, "sine", volume, std::to_string(hertz));
}

std::filesystem::path MakeNoise(const std::string& name, unsigned rate, unsigned channels,
                                double seconds, double volume) {
    return Sox(name, rate, channels, seconds, "whitenoise", volume);
}

std::filesystem::path MakeSpeech(const std::string& name, const std::string& text) {
    const std::filesystem::path path = SoundPath(name);
    return RunCommand({"espeak-ng", "-w", path.string(), text}).status == 0
               ? path
               : std::filesystem::path();
}

std::optional<PcmSamples> ReadSound(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    std::string problem;
    return zav::platform::sim::ReadWaveFile(bytes, problem);
}

std::optional<std::size_t> FindByCorrelation(std::span<const std::int16_t> recording,
                                             std::span<const std::int16_t> reference,
                                             unsigned channels) {
    const std::size_t probe = std::min(kProbeFrames, reference.size() / channels) * channels;
    if (probe == 0 || recording.size() < probe)
        return std::nullopt;
    std::optional<std::size_t> best;
    double bestScore = 0;
    for (std::size_t lag = 0; lag + probe <= recording.size(); lag += channels) {
        double score = 0;
        for (std::size_t i = 0; i < probe; ++i)
            score += static_cast<double>(recording[lag + i]) * reference[i];
        if (!best || score > bestScore) {
            best = lag / channels;
            bestScore = score;
        }
    }
    return best;
}

std::size_t CountDifferences(std::span<const std::int16_t> recording,
                             std::span<const std::int16_t> reference, std::size_t offsetFrames,
                             unsigned channels) {
    std::size_t differences = 0;
    const std::size_t start = offsetFrames * channels;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        if (start + i >= recording.size() || recording[start + i] != reference[i])
            ++differences;
    }
    return differences;
}

}  // namespace alsa_test
