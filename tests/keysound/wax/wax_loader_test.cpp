#include <gtest/gtest.h>

#include <algorithm>

#include "keysound/mulaw_tables.h"
#include "keysound/wax_file.h"
#include "platform/testing/memory_file_system.h"
#include "riff_builder.h"

namespace {

using keyvoice::LoadResult;
using keyvoice::LoadStatus;
using keyvoice::ParseSoundFile;
using testing_riff::Bytes;
using testing_riff::FormatPayload;
using testing_riff::MakeChunk;
using testing_riff::MakeChunkDeclaring;
using testing_riff::MakeRiff;
using testing_riff::MakeWaxFile;
using testing_riff::WaxFormatPayload;

Bytes Codes(std::size_t count) {
    Bytes codes(count);
    for (std::size_t i = 0; i < count; ++i)
        codes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return codes;
}

void ExpectDecodedFrom(const LoadResult& result, const Bytes& codes) {
    ASSERT_EQ(result.status, LoadStatus::Loaded);
    ASSERT_TRUE(result.sound.has_value());
    auto samples = result.sound->Samples();
    ASSERT_EQ(samples.size(), codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i)
        ASSERT_EQ(samples[i], keyvoice::MuLawToLinear[codes[i]]) << "sample " << i;
}

TEST(WaxLoader, RecordingLoadsAsTwoSecondsOfSixteenBitSamples) {
    const Bytes codes = Codes(44100);
    const LoadResult result = ParseSoundFile(MakeWaxFile(codes));
    ExpectDecodedFrom(result, codes);
    const keyvoice::SoundHeader& header = result.sound->Header();
    EXPECT_EQ(header.format, (zav::platform::PcmWaveFormat{1, 1, 22050, 44100, 2, 16}));
    EXPECT_EQ(header.wave.bufferLength, 88200u);
    EXPECT_EQ(header.wave.data,
              reinterpret_cast<const std::uint8_t*>(result.sound->Samples().data()));
    EXPECT_EQ(header.wave.bytesRecorded, 0u);
    EXPECT_EQ(header.wave.flags, 0u);
}

TEST(WaxLoader, AnchorCodesDecodeToTheirLinearValues) {
    const Bytes codes{0x7F, 0xFF, 0x00, 0x80};
    const LoadResult result = ParseSoundFile(MakeWaxFile(codes));
    ASSERT_EQ(result.status, LoadStatus::Loaded);
    const std::vector<std::int16_t> expected{0, 0, -32124, 32124};
    EXPECT_EQ(
        std::vector<std::int16_t>(result.sound->Samples().begin(), result.sound->Samples().end()),
        expected);
}

// Files laid out otherwise than KeyVoice writes them still give their codes, doubled to
// 16-bit samples.
TEST(WaxLoader, LoadsTheCodesOfFilesLaidOutOtherwise) {
    const Bytes codes = Codes(33);
    Bytes longFormat = WaxFormatPayload();
    longFormat.insert(longFormat.end(), {0x00, 0x00});  // cbSize of an 18-byte format
    Bytes afterOtherForm = MakeRiff("AVI ", {MakeChunk("data", Bytes(6, 0x11))});
    const Bytes wave = MakeWaxFile(codes);
    afterOtherForm.insert(afterOtherForm.end(), wave.begin(), wave.end());
    Bytes riffSizeBeyondTheFile = wave;
    std::fill_n(riffSizeBeyondTheFile.begin() + 4, 4, 0xFF);
    struct Row {
        const char* what;
        Bytes file;
        Bytes codes;
    };
    const Row rows[] = {
        {"other chunks before, between and after (one of odd size, so padded)",
         MakeRiff("WAVE",
                  {MakeChunk("LIST", Bytes(10, 0x41)), MakeChunk("fmt ", WaxFormatPayload()),
                   MakeChunk("JUNK", {1, 2, 3}), MakeChunk("fact", Bytes(4, 0)),
                   MakeChunk("data", codes), MakeChunk("cue ", Bytes(24, 0xEE))}),
         codes},
        {"the WAVE form after another top-level chunk", afterOtherForm, codes},
        {"only the first 16 bytes of a longer format chunk",
         MakeRiff("WAVE", {MakeChunk("fmt ", longFormat), MakeChunk("data", codes)}), codes},
        {"a data chunk longer than the file: only the codes that are there",
         MakeRiff("WAVE", {MakeChunk("fmt ", WaxFormatPayload()),
                           MakeChunkDeclaring("data", 100, Codes(40))}),
         Codes(40)},
        {"a RIFF size beyond the file", riffSizeBeyondTheFile, codes},
        {"an empty data chunk", MakeWaxFile({}), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const LoadResult result = ParseSoundFile(row.file);
        ExpectDecodedFrom(result, row.codes);
        EXPECT_EQ(result.sound->Header().format.bitsPerSample, 16);
        EXPECT_EQ(result.sound->Header().wave.bufferLength, 2 * row.codes.size());
    }
}

TEST(WaxLoader, DoublesTheDeclaredFormatWhateverItSays) {
    const LoadResult result = ParseSoundFile(
        MakeRiff("WAVE", {MakeChunk("fmt ", FormatPayload(1, 2, 44100, 176400, 4, 16)),
                          MakeChunk("data", Codes(4))}));
    ASSERT_EQ(result.status, LoadStatus::Loaded);
    EXPECT_EQ(result.sound->Header().format,
              (zav::platform::PcmWaveFormat{1, 2, 44100, 352800, 8, 32}));
}

struct RejectedFile {
    const char* name;
    Bytes file;
    LoadStatus status;
};

class WaxLoaderRejects : public ::testing::TestWithParam<RejectedFile> {};

TEST_P(WaxLoaderRejects, WithoutASound) {
    const LoadResult result = ParseSoundFile(GetParam().file);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_FALSE(result.sound.has_value());
}

Bytes CutAfter(Bytes file, std::size_t size) {
    file.resize(size);
    return file;
}

const Bytes kGoodFile = MakeWaxFile(Bytes(20, 0x55));

INSTANTIATE_TEST_SUITE_P(
    BadFiles, WaxLoaderRejects,
    ::testing::Values(
        RejectedFile{"EmptyFile", {}, LoadStatus::NotRiffWave},
        RejectedFile{"AnotherFormType",
                     MakeRiff("AVI ", {MakeChunk("fmt ", WaxFormatPayload()),
                                       MakeChunk("data", Bytes(4, 0))}),
                     LoadStatus::NotRiffWave},
        RejectedFile{"NoFormatChunk", MakeRiff("WAVE", {MakeChunk("data", Bytes(4, 0))}),
                     LoadStatus::NoFormatChunk},
        RejectedFile{"DataBeforeFormat",
                     MakeRiff("WAVE", {MakeChunk("data", Bytes(4, 0)),
                                       MakeChunk("fmt ", WaxFormatPayload())}),
                     LoadStatus::NoDataChunk},
        RejectedFile{
            "FormatShorterThanPcm",
            MakeRiff("WAVE", {MakeChunk("fmt ", Bytes(14, 1)), MakeChunk("data", Bytes(4, 0))}),
            LoadStatus::NoFormatChunk},
        RejectedFile{"EndsInsideTheRiffHeader", CutAfter(kGoodFile, 5), LoadStatus::Malformed},
        RejectedFile{"EndsInsideTheFormatChunk", CutAfter(kGoodFile, 12 + 8 + 10),
                     LoadStatus::NoFormatChunk},
        RejectedFile{"EndsInsideTheDataChunkHeader", CutAfter(kGoodFile, 12 + 24 + 5),
                     LoadStatus::Malformed},
        RejectedFile{"FormatSizeSkipsPastTheEnd",
                     MakeRiff("WAVE", {MakeChunkDeclaring("fmt ", 0xFFFFFFFF, WaxFormatPayload()),
                                       MakeChunk("data", Bytes(4, 0))}),
                     LoadStatus::NoDataChunk},
        RejectedFile{"HugeChunkBeforeFormat",
                     MakeRiff("WAVE", {MakeChunkDeclaring("JUNK", 0xFFFFFFFE, Bytes(2, 0)),
                                       MakeChunk("fmt ", WaxFormatPayload())}),
                     LoadStatus::NoFormatChunk}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(WaxLoader, LoadsThroughTheFilesSeamByHostPathAndAMissingFileCannotBeOpened) {
    zav::platform::sim::MemoryFileSystem files;
    EXPECT_EQ(keyvoice::LoadSoundFile(files, "C:\\ZAV\\cfff1.wax").status, LoadStatus::CannotOpen);
    const Bytes codes = Codes(12);
    files.Put("/zav/data/cfff1.wax", MakeWaxFile(codes));
    ExpectDecodedFrom(keyvoice::LoadSoundFile(files, "\\zav\\data\\cfff1.wax"), codes);
}

}  // namespace
