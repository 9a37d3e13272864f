#include "keysound/key_voice_analysers.h"

namespace keyvoice {

namespace {

// Half of an unsigned 32-bit byte count always fits a signed 32-bit sample count.
std::int32_t SampleCount(std::uint32_t byteCount) {
    return static_cast<std::int32_t>(byteCount / sizeof(std::int16_t));
}

}  // namespace

AnalysisResult KeyVoiceAnalysers::MeterRecordingBlock(const std::int16_t* samples,
                                                      std::uint32_t byteCount) {
    recordAnalyser.AnalyseAdaptive(samples, SampleCount(byteCount));
    return recordAnalyser.Classify();
}

AnalysisResult KeyVoiceAnalysers::MeterPlaybackBlock(const std::int16_t* samples,
                                                     std::uint32_t byteCount) {
    playAnalyser.AnalyseFixed(samples, SampleCount(byteCount));
    return playAnalyser.Classify();
}

AnalysisResult KeyVoiceAnalysers::AnalyseRecording(const SoundHeader& header) {
    // The wave record holds the samples as bytes; the buffer was allocated as 16-bit samples.
    const auto* samples = reinterpret_cast<const std::int16_t*>(header.wave.data);
    playAnalyser.AnalyseFixed(samples, SampleCount(header.wave.bufferLength));
    return playAnalyser.Classify();
}

}  // namespace keyvoice
