#include <gtest/gtest.h>

#include <algorithm>

#include "keysound/mulaw_tables.h"
#include "tests/keysound/analysis/signals.h"
#include "tests/support/zav_values.h"
#include "tests/tools/zavtool/zavtool_runner.h"
#include "tools/zavtool/pcm_wave.h"

namespace {

using analysis_test::Tone;
using zav::platform::PcmWaveFormat;

constexpr PcmWaveFormat kVoiceFormat{1, 1, 22050, 44100, 2, 16};

class ZavtoolImportKey : public testing::Test {
  protected:
    // The system folder is /s unless a test sets another or takes it away.
    void SetUp() override { zav::test::SetZavValue(tool.registry, "ZavSysPath", "/s"); }

    void PutWave(const PcmWaveFormat& format, const std::vector<std::int16_t>& samples) {
        tool.files.Put("/in.wav", zavtool::BuildPcmWave(format, samples));
    }

    // A refusal: status 2, one line on stderr, and nothing written anywhere.
    void ExpectRefused(const ZavtoolRun& run, std::string_view reason) {
        ExpectOneErrorLine(run, 2, reason);
        EXPECT_EQ(tool.files.ReplaceCalls(), 0);
        for (const char* name : {"Key6Info", "Key7Info", "Key8Info", "Key9Info", "Key0Info"})
            EXPECT_FALSE(zav::test::ZavText(tool.registry, name).has_value()) << name;
    }

    ZavtoolRunner tool;
};

TEST_F(ZavtoolImportKey, StoresAShortWaveAsATwoSecondRecordingAndRegistersIt) {
    zav::test::SetZavValue(tool.registry, "ZavSysPath", "/zav/sys");
    const auto samples = Tone(22050, 200, 1000);
    PutWave(kVoiceFormat, samples);

    const ZavtoolRun run = tool.Run({"import-key", "7", "/in.wav"});

    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<std::uint8_t>* file = tool.files.Find("/zav/sys\\cfff7.wax");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(file->size(), 44144u);
    for (std::size_t i = 0; i < 44100; ++i) {
        const std::uint8_t expected =
            i < samples.size()
                ? keyvoice::LinearToMuLaw[static_cast<std::size_t>(samples[i] + 32768)]
                : 0xFF;  // the silence it was padded with
        ASSERT_EQ((*file)[44 + i], expected) << i;
    }
    EXPECT_EQ(zav::test::ZavText(tool.registry, "Key7Info"), "0,0,/zav/sys\\cfff7.wax");
}

TEST_F(ZavtoolImportKey, EveryRecordableKeyGoesToItsOwnFileAndValue) {
    PutWave(kVoiceFormat, Tone(44100, 6, 9000));
    for (const std::string key : {"6", "7", "8", "9", "0"}) {
        ASSERT_EQ(tool.Run({"import-key", key, "/in.wav"}).status, 0) << key;
        const std::string path = "/s\\cfff" + key + ".wax";
        EXPECT_TRUE(tool.files.Exists(path)) << path;
        EXPECT_EQ(zav::test::ZavText(tool.registry, "Key" + key + "Info"), "4,2," + path);
    }
}

TEST_F(ZavtoolImportKey, ExactlyTwoSecondsIsAcceptedAndOneSampleMoreIsRefused) {
    PutWave(kVoiceFormat, std::vector<std::int16_t>(44101, 0));
    ExpectRefused(tool.Run({"import-key", "9", "/in.wav"}), "longer than 2.00 seconds");

    PutWave(kVoiceFormat, std::vector<std::int16_t>(44100, 0));
    EXPECT_EQ(tool.Run({"import-key", "9", "/in.wav"}).status, 0);
    EXPECT_EQ(zav::test::ZavText(tool.registry, "Key9Info"), "0,1,/s\\cfff9.wax");
}

TEST_F(ZavtoolImportKey, RefusesOtherRatesAndFormats) {
    struct Case {
        PcmWaveFormat format;
        const char* reason;
    };
    const Case cases[] = {
        {{1, 1, 44100, 88200, 2, 16}, "44100 samples per second"},
        {{1, 1, 22000, 44000, 2, 16}, "22000 samples per second"},
        {{1, 2, 22050, 88200, 4, 16}, "not mono"},
        {{1, 1, 22050, 22050, 1, 8}, "not 16-bit PCM"},
        {{3, 1, 22050, 88200, 4, 16}, "not 16-bit PCM"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        PutWave(c.format, std::vector<std::int16_t>(1000, 0));
        ExpectRefused(tool.Run({"import-key", "6", "/in.wav"}), c.reason);
    }
    tool.files.Put("/in.wav", {'R', 'I', 'F', 'F', 0, 0, 0, 0});
    ExpectRefused(tool.Run({"import-key", "6", "/in.wav"}), "/in.wav");
    ExpectRefused(tool.Run({"import-key", "6", "/missing.wav"}), "/missing.wav");
}

TEST_F(ZavtoolImportKey, RefusesUnknownKeysAndBadUsage) {
    PutWave(kVoiceFormat, std::vector<std::int16_t>(100, 0));
    for (const char* key : {"5", "1", "W", "w", "10", "", "66"}) {
        SCOPED_TRACE(key);
        ExpectRefused(tool.Run({"import-key", key, "/in.wav"}), "unknown key");
    }
    ExpectRefused(tool.Run({"import-key", "6"}), "usage");
    ExpectRefused(tool.Run({"import-key", "6", "/in.wav", "extra"}), "usage");
}

TEST_F(ZavtoolImportKey, RefusesWithoutASystemFolder) {
    ASSERT_EQ(keyvoice::ConfigStore(tool.registry).DeleteConfigValue("ZavSysPath"),
              zav::platform::RegResult::Success);
    PutWave(kVoiceFormat, std::vector<std::int16_t>(100, 0));
    ExpectRefused(tool.Run({"import-key", "8", "/in.wav"}), "ZavSysPath");
    zav::test::SetZavValue(tool.registry, "ZavSysPath", "");
    ExpectRefused(tool.Run({"import-key", "8", "/in.wav"}), "ZavSysPath");
}

TEST_F(ZavtoolImportKey, AFileThatCannotBeWrittenIsReportedAndLeavesTheValue) {
    zav::test::SetZavValue(tool.registry, "Key0Info", "3,1,/old\\cfff0.wax");
    tool.files.FailWritesUnder("/s");
    PutWave(kVoiceFormat, std::vector<std::int16_t>(100, 0));

    const ZavtoolRun run = tool.Run({"import-key", "0", "/in.wav"});

    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "zavtool: There was a voice recording write error to key 0.\n");
    EXPECT_FALSE(tool.files.Exists("/s\\cfff0.wax"));
    EXPECT_EQ(zav::test::ZavText(tool.registry, "Key0Info"), "3,1,/old\\cfff0.wax");
}

}  // namespace
