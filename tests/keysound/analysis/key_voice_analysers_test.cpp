#include "keysound/key_voice_analysers.h"

#include <gtest/gtest.h>

#include <vector>

#include "keysound/sound.h"
#include "tests/keysound/analysis/signals.h"

namespace keyvoice {
namespace {

constexpr zav::platform::PcmWaveFormat kRecordFormat{1, 1, 22050, 44100, 2, 16};

TEST(KeyVoiceAnalysers, BothAnalysersRunAtTheNominalRate) {
    const KeyVoiceAnalysers analysers;
    EXPECT_EQ(analysers.recordAnalyser.rate, 22000);
    EXPECT_EQ(analysers.recordAnalyser.minPeriod, 110);
    EXPECT_EQ(analysers.playAnalyser.rate, 22000);
    EXPECT_EQ(analysers.playAnalyser.periodTolerance, 66);
}

TEST(KeyVoiceAnalysers, RecordingMeterIsAdaptiveAndHalvesTheByteCount) {
    KeyVoiceAnalysers analysers;
    // Four samples; an odd byte count of 7 covers three of them, so the 3000 is never seen.
    const std::vector<std::int16_t> samples{400, 500, 2900, 3000};
    const AnalysisResult result = analysers.MeterRecordingBlock(samples.data(), 7);
    // Adaptive: re-centred on (400 + 2900) / 2 and levelled from twice the peak of 2900.
    EXPECT_EQ(analysers.recordAnalyser.centre, 1650);
    EXPECT_EQ(result, (AnalysisResult{SoundClass::Silent, 1}));
    EXPECT_EQ(analysers.playAnalyser.centre, 0);
    EXPECT_EQ(analysers.playAnalyser.level, 0);
}

TEST(KeyVoiceAnalysers, PlaybackMeterIsFixed) {
    KeyVoiceAnalysers analysers;
    const std::vector<std::int16_t> samples{400, 500, 2900, 5799};
    const AnalysisResult result = analysers.MeterPlaybackBlock(
        samples.data(), static_cast<std::uint32_t>(samples.size() * 2));
    EXPECT_EQ(result.level, 1);
    EXPECT_EQ(analysers.playAnalyser.centre, 0);
    EXPECT_EQ(analysers.playAnalyser.threshold, 150);
    EXPECT_EQ(analysers.recordAnalyser.threshold, 150);
}

TEST(KeyVoiceAnalysers, ATickWithNoNewBytesRepeatsTheLastResult) {
    KeyVoiceAnalysers analysers;
    const auto tone = analysis_test::Tone(2205, 200, 8000);
    const AnalysisResult played = analysers.MeterPlaybackBlock(tone.data(), 4410);
    EXPECT_EQ(analysers.MeterPlaybackBlock(tone.data(), 0), played);
    EXPECT_EQ(analysers.MeterPlaybackBlock(tone.data(), 1), played);  // half a sample
    EXPECT_EQ(analysers.MeterPlaybackBlock(nullptr, 4410), played);
    const AnalysisResult recorded = analysers.MeterRecordingBlock(tone.data(), 4410);
    EXPECT_EQ(analysers.MeterRecordingBlock(nullptr, 0), recorded);
}

TEST(KeyVoiceAnalysers, AnalyseRecordingCoversTheWholeBufferWhateverWasRecorded) {
    KeyVoiceAnalysers analysers;
    Sound recording(kRecordFormat, 44100);
    // Only the last sample is loud, and the device reported a short recording.
    recording.Samples().back() = -12240;
    recording.Header().wave.bytesRecorded = 200;
    const AnalysisResult result = analysers.AnalyseRecording(recording.Header());
    EXPECT_EQ(result, (AnalysisResult{SoundClass::Silent, 9}));
    EXPECT_EQ(analysers.recordAnalyser.level, 0);
}

TEST(KeyVoiceAnalysers, StoreAnalysisInheritsTheScoreOfEarlierPlayback) {
    KeyVoiceAnalysers analysers;
    Sound recording(kRecordFormat, 44100);
    const auto voice = analysis_test::Tone(44100, 200, 1000);
    std::copy(voice.begin(), voice.end(), recording.Samples().begin());
    EXPECT_EQ(analysers.AnalyseRecording(recording.Header()).soundClass, SoundClass::Periodic);

    KeyVoiceAnalysers afterPlayback;
    const auto buzz = analysis_test::Tone(2205, 20, 1000);
    for (int tick = 0; tick < 3; ++tick)
        afterPlayback.MeterPlaybackBlock(buzz.data(), 4410);
    EXPECT_EQ(afterPlayback.AnalyseRecording(recording.Header()).soundClass, SoundClass::Irregular);
}

}  // namespace
}  // namespace keyvoice
