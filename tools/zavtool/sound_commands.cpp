// zavtool info, decode and encode: .wax files and ordinary WAVE files.

#include <cstdio>
#include <string>

#include "keyvoice/wax_file.h"
#include "tools/zavtool/command.h"
#include "tools/zavtool/pcm_wave.h"

namespace zavtool {

namespace {

// Ordinary WAVE files to encode are read whole; 1 GiB is far beyond any key sound.
constexpr std::uint64_t kMaxWaveFileSize = std::uint64_t{1} << 30;

bool ExpectArguments(CommandContext& context, std::size_t count, std::string_view usage) {
    if (context.args.size() == count)
        return true;
    Fail(context, ExitStatus::Usage, std::string("usage: zavtool ") + std::string(usage));
    return false;
}

// Loads a .wax file, or reports why not and gives nothing.
std::optional<keyvoice::Sound> LoadOrReport(CommandContext& context, const std::string& path) {
    keyvoice::LoadResult loaded = keyvoice::LoadSoundFile(context.files, path);
    if (loaded.status != keyvoice::LoadStatus::Loaded) {
        Fail(context, ExitStatus::LoadFailed,
             path + ": " + std::string(keyvoice::DescribeLoadStatus(loaded.status)));
        return std::nullopt;
    }
    return std::move(loaded.sound);
}

std::string FormatSeconds(const zav::platform::PcmWaveFormat& format, std::size_t samples) {
    const std::uint64_t perSecond = std::uint64_t{format.samplesPerSec} * format.channels;
    if (perSecond == 0)
        return "unknown";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f",
                  static_cast<double>(samples) / static_cast<double>(perSecond));
    return text;
}

}  // namespace

ExitStatus RunInfo(CommandContext& context) {
    if (!ExpectArguments(context, 1, "info FILE.wax"))
        return ExitStatus::Usage;
    std::optional<keyvoice::Sound> sound = LoadOrReport(context, context.args[0]);
    if (!sound)
        return ExitStatus::LoadFailed;
    const zav::platform::PcmWaveFormat& format = sound->Header().format;
    context.out << "format_tag: " << format.formatTag << '\n'
                << "channels: " << format.channels << '\n'
                << "samples_per_sec: " << format.samplesPerSec << '\n'
                << "avg_bytes_per_sec: " << format.avgBytesPerSec << '\n'
                << "block_align: " << format.blockAlign << '\n'
                << "bits_per_sample: " << format.bitsPerSample << '\n'
                << "samples: " << sound->Samples().size() << '\n'
                << "seconds: " << FormatSeconds(format, sound->Samples().size()) << '\n';
    return ExitStatus::Success;
}

ExitStatus RunDecode(CommandContext& context) {
    if (!ExpectArguments(context, 2, "decode IN.wax OUT.wav"))
        return ExitStatus::Usage;
    std::optional<keyvoice::Sound> sound = LoadOrReport(context, context.args[0]);
    if (!sound)
        return ExitStatus::LoadFailed;
    const std::vector<std::uint8_t> wave = BuildPcmWave(sound->Header().format, sound->Samples());
    const std::span<const std::uint8_t> pieces[] = {wave};
    if (zav::platform::FileStatus written = context.files.ReplaceFile(context.args[1], pieces);
        !written.Ok()) {
        return Fail(context, ExitStatus::Usage, written.detail);
    }
    return ExitStatus::Success;
}

ExitStatus RunEncode(CommandContext& context) {
    if (!ExpectArguments(context, 2, "encode IN.wav OUT.wax"))
        return ExitStatus::Usage;
    const std::string& inPath = context.args[0];
    std::vector<std::uint8_t> bytes;
    if (zav::platform::FileStatus read = context.files.ReadFile(inPath, kMaxWaveFileSize, bytes);
        !read.Ok()) {
        return Fail(context, ExitStatus::Usage, read.detail);
    }
    std::string problem;
    std::optional<PcmWave> wave = ReadPcmWave(bytes, problem);
    if (!wave)
        return Fail(context, ExitStatus::Usage, inPath + ": " + problem);

    keyvoice::Sound sound(wave->format, wave->samples.size());
    std::copy(wave->samples.begin(), wave->samples.end(), sound.Samples().begin());
    switch (keyvoice::WriteWaxFile(context.files, context.args[1], sound.Header())) {
        case keyvoice::WaxWriteResult::Written:
            return ExitStatus::Success;
        case keyvoice::WaxWriteResult::OutOfMemory:
            return Fail(context, ExitStatus::Usage, "not enough memory");
        case keyvoice::WaxWriteResult::Failed:
            break;
    }
    return Fail(context, ExitStatus::Usage, "cannot write " + context.args[1]);
}

}  // namespace zavtool
