// Prints how well a recording holds a reference sound: the peak normalised correlation of the
// two mono 16-bit sounds over the lags at which the reference could lie in the recording, and
// that lag. For the desktop test script, which has no such tool of its own.
//
//   correlate RECORDING.wav REFERENCE.wav

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/wave_file_reader.h"

namespace {

std::optional<std::vector<std::int16_t>> ReadMono(const char* path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    std::string problem;
    std::optional<zav::platform::sim::PcmSamples> sound =
        zav::platform::sim::ReadWaveFile(bytes, problem);
    if (!sound || sound->channels != 1) {
        std::fprintf(stderr, "correlate: %s: %s\n", path, sound ? "not mono" : problem.c_str());
        return std::nullopt;
    }
    return sound->samples;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: correlate RECORDING.wav REFERENCE.wav\n");
        return 2;
    }
    const std::optional<std::vector<std::int16_t>> recording = ReadMono(argv[1]);
    const std::optional<std::vector<std::int16_t>> reference = ReadMono(argv[2]);
    if (!recording || !reference)
        return 2;
    // The reference's loudest stretch is looked for: its opening may be silence.
    constexpr std::size_t kProbe = 4410;
    if (reference->size() < kProbe || recording->size() < kProbe) {
        std::fprintf(stderr, "correlate: the sounds are too short\n");
        return 2;
    }
    const auto loudest = std::max_element(reference->begin(), reference->end(),
                                          [](auto a, auto b) { return std::abs(a) < std::abs(b); });
    const std::size_t from = std::min<std::size_t>(
        static_cast<std::size_t>(std::max<std::ptrdiff_t>(loudest - reference->begin() - 2000, 0)),
        reference->size() - kProbe);
    double best = -1.0;
    std::size_t bestAt = 0;
    for (std::size_t at = 0; at + kProbe <= recording->size(); ++at) {
        double xy = 0, xx = 0, yy = 0;
        for (std::size_t i = 0; i < kProbe; ++i) {
            const double x = (*recording)[at + i];
            const double y = (*reference)[from + i];
            xy += x * y;
            xx += x * x;
            yy += y * y;
        }
        const double correlation = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0.0;
        if (correlation > best) {
            best = correlation;
            bestAt = at;
        }
    }
    std::printf("%.4f %zd\n", best,
                static_cast<std::ptrdiff_t>(bestAt) - static_cast<std::ptrdiff_t>(from));
    return 0;
}
