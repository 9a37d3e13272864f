#include <gtest/gtest.h>

#include <algorithm>

#include "keysound/sound.h"
#include "keysound/wax_file.h"
#include "tests/keysound/analysis/signals.h"
#include "tests/support/zav_values.h"
#include "tests/tools/zavtool/zavtool_runner.h"
#include "tools/zavtool/pcm_wave.h"

namespace {

using analysis_test::Tone;

constexpr zav::platform::PcmWaveFormat kVoiceFormat{1, 1, 22050, 44100, 2, 16};

class ZavtoolAnalyse : public testing::Test {
  protected:
    void PutWax(const std::string& path, const std::vector<std::int16_t>& samples) {
        keyvoice::Sound sound(kVoiceFormat, samples.size());
        std::copy(samples.begin(), samples.end(), sound.Samples().begin());
        ASSERT_EQ(keyvoice::WriteWaxFile(tool.files, path, sound.Header()),
                  keyvoice::WaxWriteResult::Written);
    }

    ZavtoolRunner tool;
};

TEST_F(ZavtoolAnalyse, PrintsLevelAndClassDigitOfTheWholeSound) {
    struct Case {
        std::vector<std::int16_t> samples;
        const char* printed;
    };
    const Case cases[] = {
        {Tone(44100, 200, 1000), "0,0\n"},             // Periodic
        {Tone(44100, 6, 9000), "4,2\n"},               // InBand; the peak decodes near 7794
        {Tone(44100, 20, 18500), "11,1\n"},            // Irregular: short periods, peak near 18500
        {std::vector<std::int16_t>(500, 0), "0,1\n"},  // Silent writes the same digit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printed);
        PutWax("/k.wax", c.samples);
        const ZavtoolRun run = tool.Run({"analyse", "/k.wax"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.printed);
        EXPECT_EQ(run.err, "");
    }
}

TEST_F(ZavtoolAnalyse, AgreesWithWhatImportKeyRegistered) {
    zav::test::SetZavValue(tool.registry, "ZavSysPath", "/s");
    tool.files.Put("/in.wav", zavtool::BuildPcmWave(kVoiceFormat, Tone(30000, 6, 12000)));
    ASSERT_EQ(tool.Run({"import-key", "6", "/in.wav"}).status, 0);

    const ZavtoolRun run = tool.Run({"analyse", "/s\\cfff6.wax"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto registered = zav::test::ZavText(tool.registry, "Key6Info");
    ASSERT_TRUE(registered.has_value());
    // "level,class,path": the first two fields, as analyse prints them.
    const std::size_t secondComma = registered->find(',', registered->find(',') + 1);
    EXPECT_EQ(run.out, registered->substr(0, secondComma) + "\n");
    EXPECT_EQ(run.out, "7,1\n");  // peak near 10392, 5000 short periods
}

TEST_F(ZavtoolAnalyse, AFileThatDoesNotLoadFailsWithStatusOneAndWrongArgumentsWithTwo) {
    tool.files.Put("/bad.wax", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '});
    for (const char* path : {"/missing.wax", "/bad.wax"}) {
        SCOPED_TRACE(path);
        const ZavtoolRun run = tool.Run({"analyse", path});
        ExpectOneErrorLine(run, 1, std::string("zavtool: ") + path);
        EXPECT_EQ(run.out, "");
    }
    // Wrong arguments are a usage error.
    EXPECT_EQ(tool.Run({"analyse"}).status, 2);
    EXPECT_EQ(tool.Run({"analyse", "/a.wax", "/b.wax"}).status, 2);
}

}  // namespace
