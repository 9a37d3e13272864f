// zavtool info, decode and encode: .wax files and ordinary WAVE files.

#include <cstdio>
#include <string>

#include "keysound/wax_file.h"
#include "tools/zavtool/command.h"
#include "tools/zavtool/pcm_wave.h"

namespace zavtool {

namespace {

// Ordinary WAVE files to encode are read whole: two bytes a sample, so no file larger than
// twice a key sound's largest file can encode to one (a little more for the header and any
// other chunks).
constexpr std::uint64_t kMaxWaveFileSize = 2 * keyvoice::kMaxSoundFileBytes + 4096;

bool ExpectArguments(CommandContext& context, std::size_t count, std::string_view usage) {
    if (context.args.size() == count)
        return true;
    Fail(context, ExitStatus::Usage, std::string("usage: zavtool ") + std::string(usage));
    return false;
}

// Loads a .wax file, or reports why not and gives a result without a sound.
keyvoice::LoadResult LoadOrReport(CommandContext& context, const std::string& path) {
    keyvoice::LoadResult loaded = keyvoice::LoadSoundFile(context.files, path);
    if (loaded.status != keyvoice::LoadStatus::Loaded) {
        Fail(context, ExitStatus::LoadFailed,
             path + ": " + std::string(keyvoice::DescribeLoadStatus(loaded.status)));
    }
    return loaded;
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

// What decode writes: 16-bit PCM samples with the sound's rate and channels. The loader reads
// every file's data as mu-law codes, whatever its format chunk declares, so the samples are
// 16-bit even when the declaration doubled to another width.
zav::platform::PcmWaveFormat SixteenBitFormat(const zav::platform::PcmWaveFormat& format) {
    const std::uint16_t channels = format.channels == 0 ? 1 : format.channels;
    const auto blockAlign = static_cast<std::uint16_t>(channels * sizeof(std::int16_t));
    return {zav::platform::kWaveFormatPcm,     channels,   format.samplesPerSec,
            format.samplesPerSec * blockAlign, blockAlign, 16};
}

}  // namespace

ExitStatus RunInfo(CommandContext& context) {
    if (!ExpectArguments(context, 1, "info FILE.wax"))
        return ExitStatus::Usage;
    keyvoice::LoadResult loaded = LoadOrReport(context, context.args[0]);
    if (!loaded.sound)
        return ExitStatus::LoadFailed;
    const std::optional<keyvoice::Sound>& sound = loaded.sound;
    const zav::platform::PcmWaveFormat& format = sound->Header().format;
    context.out << "format_tag: " << format.formatTag << '\n'
                << "channels: " << format.channels << '\n'
                << "samples_per_sec: " << format.samplesPerSec << '\n'
                << "avg_bytes_per_sec: " << format.avgBytesPerSec << '\n'
                << "block_align: " << format.blockAlign << '\n'
                << "bits_per_sample: " << format.bitsPerSample << '\n'
                << "samples: " << sound->Samples().size() << '\n'
                << "seconds: " << FormatSeconds(format, sound->Samples().size()) << '\n';
    if (!keyvoice::DeclaresWaxShape(loaded.declared)) {
        context.out << "declared: format_tag " << loaded.declared.formatTag << ", "
                    << loaded.declared.bitsPerSample
                    << " bits per sample; the data are read as 8-bit mu-law codes, as for "
                       "every key sound\n";
    }
    return ExitStatus::Success;
}

ExitStatus RunDecode(CommandContext& context) {
    if (!ExpectArguments(context, 2, "decode IN.wax OUT.wav"))
        return ExitStatus::Usage;
    const keyvoice::LoadResult loaded = LoadOrReport(context, context.args[0]);
    if (!loaded.sound)
        return ExitStatus::LoadFailed;
    const std::vector<std::uint8_t> wave =
        BuildPcmWave(SixteenBitFormat(loaded.sound->Header().format), loaded.sound->Samples());
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
        if (read.error == zav::platform::FileError::TooLarge)
            return Fail(context, ExitStatus::Usage, inPath + ": too large for a key sound");
        return Fail(context, ExitStatus::Usage, read.detail);
    }
    std::string problem;
    std::optional<PcmWave> wave = ReadPcmWave(bytes, problem);
    if (!wave)
        return Fail(context, ExitStatus::Usage, inPath + ": " + problem);

    keyvoice::Sound sound(wave->format, wave->samples.size());
    std::copy(wave->samples.begin(), wave->samples.end(), sound.Samples().begin());
    bool outOfMemory = false;
    const std::optional<std::vector<std::uint8_t>> wax =
        keyvoice::BuildWaxFile(sound.Header(), outOfMemory);
    if (outOfMemory)
        return Fail(context, ExitStatus::Usage, "not enough memory");
    // A file the loader would refuse is not written.
    if (!wax || wax->size() > keyvoice::kMaxSoundFileBytes)
        return Fail(context, ExitStatus::Usage, inPath + ": too long for a key sound");
    const std::span<const std::uint8_t> pieces[] = {*wax};
    if (zav::platform::FileStatus written = context.files.ReplaceFile(context.args[1], pieces);
        !written.Ok()) {
        return Fail(context, ExitStatus::Usage, written.detail);
    }
    return ExitStatus::Success;
}

}  // namespace zavtool
