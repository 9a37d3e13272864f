#include "platform/riff/wave_chunks.h"

#include <gtest/gtest.h>

#include <vector>

namespace zav::platform::riff {
namespace {

const PcmWaveFormat kFormat{1, 1, 22050, 44100, 2, 16};

// A 44-byte header and four data bytes, with the given bytes written over it at offset and the
// file cut to keep bytes when keep is not 0.
std::vector<std::uint8_t> File(std::size_t offset, std::vector<std::uint8_t> patch,
                               std::size_t keep = 0) {
    std::vector<std::uint8_t> file = BuildWaveHeader(kFormat, 4);
    file.insert(file.end(), {1, 2, 3, 4});
    std::copy(patch.begin(), patch.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
    if (keep != 0)
        file.resize(keep);
    return file;
}

// Every WAVE reader (the key sounds, the simulated microphone, zavtool) goes by these answers.
TEST(WaveChunks, OneRuleForEveryReader) {
    struct Row {
        const char* what;
        std::vector<std::uint8_t> file;
        WaveSearch search;
        std::size_t dataBytes;
    };
    const Row rows[] = {
        {"whole", File(0, {}), WaveSearch::Found, 4},
        {"data ends with the file", File(0, {}, 47), WaveSearch::Found, 3},
        {"data declared past the end", File(40, {0, 1, 0, 0}), WaveSearch::Found, 4},
        {"not RIFF", File(0, {'R', 'I', 'F', 'X'}), WaveSearch::NotRiffWave, 0},
        {"RIFF header cut off", File(0, {}, 6), WaveSearch::FormCutOff, 0},
        {"no chunks", File(0, {}, 12), WaveSearch::NoFormatChunk, 0},
        {"short fmt", File(16, {12, 0, 0, 0}), WaveSearch::ShortFormatChunk, 0},
        {"fmt cut off", File(0, {}, 30), WaveSearch::ShortFormatChunk, 0},
        {"fmt only", File(0, {}, 36), WaveSearch::NoDataChunk, 0},
        {"data header cut off", File(0, {}, 40), WaveSearch::Malformed, 0},
        {"data before fmt", File(12, {'d', 'a', 't', 'a'}), WaveSearch::NoFormatChunk, 0},
    };
    for (const Row& row : rows) {
        WaveChunks chunks;
        EXPECT_EQ(FindWaveChunks(row.file, chunks), row.search) << row.what;
        if (row.search == WaveSearch::Found) {
            EXPECT_EQ(chunks.format, kFormat) << row.what;
            EXPECT_EQ(chunks.data.size(), row.dataBytes) << row.what;
            EXPECT_EQ(chunks.data.front(), 1) << row.what;
        }
    }
}

}  // namespace
}  // namespace zav::platform::riff
