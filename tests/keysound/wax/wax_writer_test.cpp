#include <gtest/gtest.h>

#include "keysound/mulaw_tables.h"
#include "keysound/wax_file.h"
#include "platform/testing/memory_file_system.h"
#include "riff_builder.h"

namespace {

using keyvoice::Sound;
using keyvoice::WaxWriteResult;
using testing_riff::Bytes;

const zav::platform::PcmWaveFormat kRecordingFormat{1, 1, 22050, 44100, 2, 16};

Sound Recording() {
    Sound sound(kRecordingFormat, 44100);
    auto samples = sound.Samples();
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>((i * 2654435761u) >> 16);
    return sound;
}

TEST(WaxWriter, TwoSecondRecordingIsAFileOf44144BytesThatLoadsBackAsTheMuLawRoundTrip) {
    zav::platform::sim::MemoryFileSystem files;
    const Sound sound = Recording();
    ASSERT_EQ(keyvoice::WriteWaxFile(files, "C:\\APPS\\SYS\\cfff6.wax", sound.Header()),
              WaxWriteResult::Written);

    const Bytes* written = files.Find("C:/APPS/SYS/cfff6.wax");
    ASSERT_NE(written, nullptr);
    ASSERT_EQ(written->size(), 44144u);
    const Bytes codes = testing_riff::MuLawCodes(sound.Samples());
    EXPECT_EQ(*written, testing_riff::MakeWaxFile(codes));

    const keyvoice::LoadResult loaded = keyvoice::LoadSoundFile(files, "C:\\APPS\\SYS\\cfff6.wax");
    ASSERT_EQ(loaded.status, keyvoice::LoadStatus::Loaded);
    EXPECT_EQ(loaded.sound->Header().format, kRecordingFormat);
    ASSERT_EQ(loaded.sound->Samples().size(), sound.Samples().size());
    for (std::size_t i = 0; i < codes.size(); ++i)
        ASSERT_EQ(loaded.sound->Samples()[i], keyvoice::MuLawToLinear[codes[i]]) << i;
}

TEST(WaxWriter, StoresAnchorSamplesAsTheirCodes) {
    zav::platform::sim::MemoryFileSystem files;
    Sound sound(kRecordingFormat, 4);
    const std::int16_t samples[] = {0, -1, 32767, -32768};
    std::copy(std::begin(samples), std::end(samples), sound.Samples().begin());
    ASSERT_EQ(keyvoice::WriteWaxFile(files, "/k.wax", sound.Header()), WaxWriteResult::Written);
    const Bytes& written = *files.Find("/k.wax");
    EXPECT_EQ(Bytes(written.begin() + 44, written.end()), (Bytes{0xFF, 0x7F, 0x80, 0x00}));
}

TEST(WaxWriter, FailedWriteKeepsTheEarlierRecording) {
    zav::platform::sim::MemoryFileSystem files;
    files.Put("/sys/cfff8.wax", Bytes{1, 2, 3});
    files.FailWritesUnder("/sys");
    EXPECT_EQ(keyvoice::WriteWaxFile(files, "\\sys\\cfff8.wax", Recording().Header()),
              WaxWriteResult::Failed);
    EXPECT_EQ(*files.Find("/sys/cfff8.wax"), (Bytes{1, 2, 3}));
    EXPECT_EQ(files.Files().size(), 1u);
}

}  // namespace
