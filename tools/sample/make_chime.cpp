// Writes a two-second chime, 22,050 samples per second, mono, 16-bit: three bell-like partials
// that fade out, a sound of the kind a key plays.

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "tools/zavtool/pcm_wave.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zav_make_chime OUT.wav\n");
        return 2;
    }
    constexpr int kRate = 22050;
    constexpr int kSamples = 2 * kRate;
    struct Partial {
        double hertz;
        double amplitude;
        double decayPerSecond;
    };
    constexpr Partial kPartials[] = {
        {660.0, 9000.0, 2.5}, {1320.0, 4000.0, 4.0}, {1980.0, 2000.0, 6.0}};
    std::vector<std::int16_t> samples(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        const double t = static_cast<double>(i) / kRate;
        double value = 0.0;
        for (const Partial& partial : kPartials) {
            value += partial.amplitude * std::exp(-partial.decayPerSecond * t) *
                     std::sin(2.0 * std::numbers::pi * partial.hertz * t);
        }
        samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::lround(value));
    }
    const std::vector<std::uint8_t> file =
        zavtool::BuildPcmWave({1, 1, kRate, kRate * 2, 2, 16}, samples);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 2;
    }
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (std::fclose(out) != 0 || !written) {
        std::perror(argv[1]);
        return 2;
    }
    return 0;
}
