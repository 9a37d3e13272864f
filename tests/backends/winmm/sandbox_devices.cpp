#include "sandbox_devices.h"

#include <algorithm>
#include <random>

namespace winmm_test {

using zav::platform::MmResult;

std::optional<std::uint32_t> FindOutput(zav::platform::AudioSystem& audio,
                                        const std::string& name) {
    const std::uint32_t count = audio.WaveOut().GetNumDevs();
    for (std::uint32_t id = 0; id < count; ++id) {
        zav::platform::WaveOutCaps caps;
        if (audio.WaveOut().GetDevCaps(id, caps) == MmResult::NoError && caps.productName == name)
            return id;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> FindInput(zav::platform::AudioSystem& audio, const std::string& name) {
    const std::uint32_t count = audio.WaveIn().GetNumDevs();
    for (std::uint32_t id = 0; id < count; ++id) {
        zav::platform::WaveInCaps caps;
        if (audio.WaveIn().GetDevCaps(id, caps) == MmResult::NoError && caps.productName == name)
            return id;
    }
    return std::nullopt;
}

std::optional<std::string> WhyNoSandbox(zav::platform::AudioSystem& audio) {
    if (audio.WaveIn().GetNumDevs() == 0 && audio.WaveOut().GetNumDevs() == 0) {
        return "no wave device: no sound server reachable (start the audio sandbox and export "
               "PULSE_SERVER and PULSE_COOKIE before running the tests under Wine)";
    }
    if (!FindOutput(audio, kMicFeedName) || !FindInput(audio, kSpeakerMonitorName)) {
        return std::string("the sound server is not the audio sandbox's (no output \"") +
               kMicFeedName + "\" or input \"" + kSpeakerMonitorName + "\")";
    }
    return std::nullopt;
}

std::vector<std::int16_t> Noise(std::size_t samples, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> value(-13107, 13107);
    std::vector<std::int16_t> noise(samples);
    for (std::int16_t& sample : noise)
        sample = static_cast<std::int16_t>(value(generator));
    return noise;
}

std::optional<std::size_t> FindExact(std::span<const std::int16_t> recording,
                                     std::span<const std::int16_t> reference) {
    constexpr std::size_t kRun = 16;
    if (reference.size() < kRun || recording.size() < kRun)
        return std::nullopt;
    const auto found = std::search(recording.begin(), recording.end(), reference.begin(),
                                   reference.begin() + kRun);
    if (found == recording.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - recording.begin());
}

std::size_t CountDifferences(std::span<const std::int16_t> recording,
                             std::span<const std::int16_t> reference, std::size_t offset) {
    std::size_t differences = 0;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        const std::size_t at = offset + i;
        if (at >= recording.size() || recording[at] != reference[i])
            ++differences;
    }
    return differences;
}

}  // namespace winmm_test
