#include <gtest/gtest.h>

#include "keysound/mulaw_tables.h"
#include "tools/zavtool/pcm_wave.h"
#include "zavtool_runner.h"

namespace {

const zav::platform::PcmWaveFormat kVoiceFormat{1, 1, 22050, 44100, 2, 16};

std::vector<std::int16_t> Ramp(std::size_t count) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<std::int16_t>(static_cast<int>(i * 37 % 65536) - 32768);
    return samples;
}

class SoundCommands : public ::testing::Test {
  protected:
    void PutWave(const std::string& path, const zav::platform::PcmWaveFormat& format,
                 const std::vector<std::int16_t>& samples) {
        tool.files.Put(path, zavtool::BuildPcmWave(format, samples));
    }
    ZavtoolRunner tool;
};

TEST_F(SoundCommands, EncodeThenInfoDescribesTheSixteenBitPlaybackFormat) {
    PutWave("/in.wav", kVoiceFormat, Ramp(44100));
    const ZavtoolRun encoded = tool.Run({"encode", "/in.wav", "/out.wax"});
    ASSERT_EQ(encoded.status, 0) << encoded.err;
    EXPECT_EQ(tool.files.Find("/out.wax")->size(), 44144u);

    const ZavtoolRun info = tool.Run({"info", "/out.wax"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.out,
              "format_tag: 1\n"
              "channels: 1\n"
              "samples_per_sec: 22050\n"
              "avg_bytes_per_sec: 44100\n"
              "block_align: 2\n"
              "bits_per_sample: 16\n"
              "samples: 44100\n"
              "seconds: 2.00\n");

    // The seconds of any rate.
    PutWave("/short.wav", {1, 1, 8000, 16000, 2, 16}, Ramp(8000 * 3 / 4));
    ASSERT_EQ(tool.Run({"encode", "/short.wav", "/short.wax"}).status, 0);
    EXPECT_NE(tool.Run({"info", "/short.wax"}).out.find("samples: 6000\nseconds: 0.75\n"),
              std::string::npos);
}

struct Failure {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* message;  // the one line on stderr, without "zavtool: "
};

class SoundCommandFailures : public SoundCommands, public ::testing::WithParamInterface<Failure> {};

TEST_P(SoundCommandFailures, ExitWithOneLineAndWriteNothing) {
    PutWave("/stereo.wav", {1, 2, 22050, 88200, 4, 16}, Ramp(10));
    PutWave("/eight.wav", {1, 1, 22050, 22050, 1, 8}, Ramp(10));
    tool.files.Put("/bad.wax", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '});
    const std::size_t filesBefore = tool.files.Files().size();

    const ZavtoolRun run = tool.Run(GetParam().args);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_EQ(run.err, std::string("zavtool: ") + GetParam().message + "\n");
    EXPECT_TRUE(run.out.empty());
    EXPECT_EQ(tool.files.Files().size(), filesBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SoundCommandFailures,
    ::testing::Values(
        Failure{"MissingWax", {"info", "/none.wax"}, 1, "/none.wax: cannot be opened"},
        Failure{
            "NotAWaveForm", {"decode", "/bad.wax", "/o.wav"}, 1, "/bad.wax: not a RIFF WAVE file"},
        Failure{"Stereo", {"encode", "/stereo.wav", "/o.wax"}, 2, "/stereo.wav: not mono"},
        Failure{"EightBit", {"encode", "/eight.wav", "/o.wax"}, 2, "/eight.wav: not 16-bit PCM"},
        Failure{"MissingArgument", {"info"}, 2, "usage: zavtool info FILE.wax"},
        Failure{
            "ExtraArgument", {"decode", "a", "b", "c"}, 2, "usage: zavtool decode IN.wax OUT.wav"},
        Failure{"UnknownCommand",
                {"play", "x"},
                2,
                "unknown command: play (zavtool --help lists the commands)"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// A .wax file as encode writes it, or with a format chunk that declares another shape than 8-bit
// PCM: the loader still reads one mu-law code per sample, decode writes the mu-law round trip as
// a consistent 16-bit WAVE, and info says what the file declares.
struct Declaration {
    const char* name;
    std::uint16_t formatTag;
    std::uint16_t bits;
    bool noted;  // whether info adds the "declared:" line
};

class DeclaredFormats : public SoundCommands, public ::testing::WithParamInterface<Declaration> {};

TEST_P(DeclaredFormats, DecodeWritesSixteenBitsAndInfoSaysWhatTheFileDeclares) {
    const std::vector<std::int16_t> samples = Ramp(1000);
    PutWave("/in.wav", kVoiceFormat, samples);
    ASSERT_EQ(tool.Run({"encode", "/in.wav", "/k.wax"}).status, 0);
    std::vector<std::uint8_t> wax = *tool.files.Find("/k.wax");
    wax[20] = static_cast<std::uint8_t>(GetParam().formatTag);
    wax[34] = static_cast<std::uint8_t>(GetParam().bits);
    tool.files.Put("/k.wax", wax);

    const ZavtoolRun decoded = tool.Run({"decode", "/k.wax", "/k.wav"});
    ASSERT_EQ(decoded.status, 0) << decoded.err;
    std::string problem;
    const auto wave = zavtool::ReadPcmWave(*tool.files.Find("/k.wav"), problem);
    ASSERT_TRUE(wave.has_value()) << problem;
    EXPECT_EQ(wave->format, kVoiceFormat);
    ASSERT_EQ(wave->samples.size(), samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::uint8_t code =
            keyvoice::LinearToMuLaw[static_cast<std::size_t>(samples[i] + 32768)];
        ASSERT_EQ(wave->samples[i], keyvoice::MuLawToLinear[code]) << i;
    }

    const ZavtoolRun info = tool.Run({"info", "/k.wax"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("samples: 1000\n"), std::string::npos) << info.out;
    const std::string note = "declared: format_tag " + std::to_string(GetParam().formatTag) + ", " +
                             std::to_string(GetParam().bits) + " bits per sample;";
    EXPECT_EQ(info.out.find(note) != std::string::npos, GetParam().noted) << info.out;
    EXPECT_EQ(info.out.find("declared:") != std::string::npos, GetParam().noted) << info.out;
}

INSTANTIATE_TEST_SUITE_P(Cases, DeclaredFormats,
                         ::testing::Values(Declaration{"WaxShape", 1, 8, false},
                                           Declaration{"Sixteen", 1, 16, true},
                                           Declaration{"TwentyFour", 1, 24, true},
                                           Declaration{"ThirtyTwo", 1, 32, true},
                                           Declaration{"MuLawTag", 7, 8, true}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
