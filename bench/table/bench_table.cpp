// Prints one table of what the programs' hot paths cost: each operation's time per call and
// its throughput over its input bytes, next to memcpy of the same bytes timed the same way in
// the same run, and the ratio of the two (1.0: as fast as copying the input). The operations
// are those the programs run on a 2-second recording (44,100 samples) or on one of VoxGauge's
// capture buffers.
//
// Each figure is the fastest of several batches, with the operation's batches and memcpy's
// taking turns, so that a busy moment of the machine hits both alike and is then left out.
//
// usage: zav_bench_table

#include <unistd.h>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "keysound/mulaw_codec.h"
#include "keysound/sound.h"
#include "keysound/voice_analyser.h"
#include "keysound/wax_file.h"
#include "keyvoice/key_voice_dlg.h"
#include "platform/posix/posix_file_system.h"
#include "voxgauge/mic_level.h"

namespace {

using Clock = std::chrono::steady_clock;
using keyvoice::MuLawKernel;

constexpr std::size_t kRecordingSamples = 44100;  // 2.00 seconds at 22,050 a second
constexpr std::size_t kCaptureBufferBytes = 11024;
constexpr double kBatchSeconds = 0.005;
// The least ratios to memcpy wanted.
constexpr double kDecodeGoal = 0.5;
constexpr double kEncodeGoal = 0.6;
constexpr double kAnalysisGoal = 0.25;
constexpr int kBatches = 15;

// Keeps the compiler from dropping work whose result is otherwise unused.
template <class T>
void KeepAlive(const T& value) {
    asm volatile("" : : "r,m"(value) : "memory");
}

double SecondsOfBatch(const std::function<void()>& call, std::int64_t calls) {
    const Clock::time_point start = Clock::now();
    for (std::int64_t i = 0; i < calls; ++i)
        call();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// How many calls fill a batch of about kBatchSeconds.
std::int64_t CallsPerBatch(const std::function<void()>& call) {
    std::int64_t calls = 1;
    while (SecondsOfBatch(call, calls) < kBatchSeconds && calls < (std::int64_t{1} << 30))
        calls *= 2;
    return calls;
}

struct Timing {
    double operationSeconds;  // per call
    double memcpySeconds;     // per copy of the same bytes
};

Timing TimeAgainstMemcpy(const std::function<void()>& operation,
                         std::span<const std::uint8_t> input) {
    std::vector<std::uint8_t> copy(input.size(), 1);
    const std::function<void()> memcpyCall = [&] {
        std::memcpy(copy.data(), input.data(), input.size());
        KeepAlive(copy.data());
    };
    const std::int64_t operationCalls = CallsPerBatch(operation);
    const std::int64_t copies = CallsPerBatch(memcpyCall);
    Timing best{INFINITY, INFINITY};
    for (int batch = 0; batch < kBatches; ++batch) {
        best.operationSeconds =
            std::min(best.operationSeconds, SecondsOfBatch(operation, operationCalls) /
                                                static_cast<double>(operationCalls));
        best.memcpySeconds = std::min(
            best.memcpySeconds, SecondsOfBatch(memcpyCall, copies) / static_cast<double>(copies));
    }
    return best;
}

template <class T>
std::span<const std::uint8_t> BytesOf(const std::vector<T>& values) {
    return {reinterpret_cast<const std::uint8_t*>(values.data()), values.size() * sizeof(T)};
}

// A voice-like recording: a 180 Hz buzz with harmonics and a little hiss.
std::vector<std::int16_t> MakeVoice(std::size_t count) {
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> hiss(-200, 200);
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / keyvoice::kRecordingFormat.samplesPerSec;
        double value = 0;
        for (int harmonic = 1; harmonic <= 5; ++harmonic)
            value += 5000.0 / harmonic * std::sin(2 * std::numbers::pi * 180.0 * harmonic * t);
        samples[i] = static_cast<std::int16_t>(std::lround(value) + hiss(random));
    }
    return samples;
}

const char* KernelName(MuLawKernel kernel) {
    switch (kernel) {
        case MuLawKernel::kScalar:
            return "scalar";
        case MuLawKernel::kAvx2:
            return "AVX2";
        case MuLawKernel::kAvx512Vbmi:
            return "AVX-512 VBMI";
    }
    return "?";
}

// Prints a Markdown table; bench/table-of-figures adds the programs' own rows under it.
class Table {
  public:
    Table() {
        std::printf("| what | measured | memcpy of the same bytes | ratio | goal |\n");
        std::printf("|---|--:|--:|--:|--:|\n");
    }

    // goal: the least ratio to memcpy wanted, or 0 for none.
    void Row(const std::string& operation, std::span<const std::uint8_t> input, double goal,
             const std::function<void()>& call) {
        const Timing timing = TimeAgainstMemcpy(call, input);
        const double bytes = static_cast<double>(input.size());
        const std::string name = operation + ", " + std::to_string(input.size()) + " B";
        const std::string measured = Format("%.2f GB/s", bytes / timing.operationSeconds / 1e9) +
                                     Format(" (%.2f us)", timing.operationSeconds * 1e6);
        std::printf("| %s | %s | %s | %s | %s |\n", name.c_str(), measured.c_str(),
                    Format("%.1f GB/s", bytes / timing.memcpySeconds / 1e9).c_str(),
                    Format("%.2f", timing.memcpySeconds / timing.operationSeconds).c_str(),
                    goal > 0 ? Format("%.2f", goal).c_str() : "-");
        std::fflush(stdout);
    }

  private:
    static std::string Format(const char* format, double value) {
        std::array<char, 64> text{};
        std::snprintf(text.data(), text.size(), format, value);
        return text.data();
    }
};

// A 2-second .wax file in the system's temporary folder, removed with the object.
class TemporaryWaxFile {
  public:
    explicit TemporaryWaxFile(const std::vector<std::int16_t>& samples)
        : path_(std::filesystem::temp_directory_path() /
                ("zav_bench_table_" + std::to_string(::getpid()) + ".wax")) {
        keyvoice::Sound sound(keyvoice::kRecordingFormat, samples.size());
        std::ranges::copy(samples, sound.Samples().begin());
        zav::platform::PosixFileSystem files;
        if (keyvoice::WriteWaxFile(files, path_.string(), sound.Header()) !=
            keyvoice::WaxWriteResult::Written) {
            std::fprintf(stderr, "zav_bench_table: cannot write %s\n", path_.c_str());
            std::exit(1);
        }
    }
    ~TemporaryWaxFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    TemporaryWaxFile(const TemporaryWaxFile&) = delete;
    TemporaryWaxFile& operator=(const TemporaryWaxFile&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::uintmax_t Size() const { return std::filesystem::file_size(path_); }

  private:
    std::filesystem::path path_;
};

}  // namespace

int main() {
    Table table;

    const std::vector<std::int16_t> voice = MakeVoice(kRecordingSamples);
    std::vector<std::uint8_t> codes(voice.size());
    keyvoice::EncodeMuLaw(voice, codes);
    std::vector<std::int16_t> decoded(codes.size());
    for (const MuLawKernel kernel : keyvoice::SupportedMuLawKernels()) {
        const std::string suffix = std::string(" (") + KernelName(kernel) +
                                   (kernel == keyvoice::ActiveMuLawKernel() ? ", in use)" : ")");
        table.Row("mu-law decode, 2 s" + suffix, codes, kDecodeGoal, [&] {
            keyvoice::DecodeMuLawWith(kernel, codes, decoded);
            KeepAlive(decoded.data());
        });
        table.Row("mu-law encode, 2 s" + suffix, BytesOf(voice), kEncodeGoal, [&] {
            keyvoice::EncodeMuLawWith(kernel, voice, codes);
            KeepAlive(codes.data());
        });
    }

    keyvoice::VoiceAnalyser analyser(
        static_cast<std::int32_t>(keyvoice::kRecordingFormat.samplesPerSec));
    table.Row("AnalyseFixed, 2 s voice", BytesOf(voice), kAnalysisGoal, [&] {
        analyser.AnalyseFixed(voice);
        KeepAlive(analyser.level);
    });
    table.Row("AnalyseAdaptive, 2 s voice", BytesOf(voice), kAnalysisGoal, [&] {
        analyser.AnalyseAdaptive(voice);
        KeepAlive(analyser.level);
    });

    // VoxGauge's capture buffers hold interleaved stereo samples.
    const std::vector<std::int16_t> stereo = MakeVoice(kCaptureBufferBytes / sizeof(std::int16_t));
    voxgauge::MicLevelAnalyser level;
    table.Row("VoxGauge level, one capture buffer", BytesOf(stereo), kAnalysisGoal,
              [&] { KeepAlive(level.Analyse(BytesOf(stereo), voxgauge::kDefaultMicMap)); });

    const TemporaryWaxFile file(voice);
    std::vector<std::uint8_t> fileBytes(file.Size());
    zav::platform::PosixFileSystem files;
    table.Row("load a 2 s .wax file", fileBytes, 0, [&] {
        keyvoice::LoadResult loaded = keyvoice::LoadSoundFile(files, file.Path().string());
        if (loaded.status != keyvoice::LoadStatus::Loaded) {
            std::fprintf(stderr, "zav_bench_table: the .wax file did not load\n");
            std::exit(1);
        }
        KeepAlive(loaded.sound->Bytes());
    });
    return 0;
}
