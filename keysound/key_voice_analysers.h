#pragma once
// The recorder's two voice analysers and the calls that meter and analyse its sounds.
//
// Threads: recordAnalyser belongs to the recording. The engines' periodic timer thread meters
// each tick with MeterRecordingBlock; the wave-input callback meters the last stretch and then
// calls recordAnalyser.Normalise over the whole buffer. playAnalyser belongs to playback and to
// the store: the timer thread meters each playback tick with MeterPlaybackBlock, and the dialog
// thread runs AnalyseRecording at OK. No lock is taken: each analyser is used by one activity at
// a time, because the timer is stopped before the last recorded block is analysed and OK is
// disabled while a key plays or records.
//
// Neither analyser is ever reset: centre line, band, hysteresis state and score carry over from
// block to block and from one sound to the next for the owner's whole life.

#include <cstdint>

#include "keysound/analysis_result.h"
#include "keysound/sound.h"
#include "keysound/voice_analyser.h"

namespace keyvoice {

// The nominal rate of both analysers (not the 22,050 at which KeyVoice records).
inline constexpr std::int32_t kAnalyserRate = 22000;

class KeyVoiceAnalysers {
  public:
    // byteCount is the number of bytes the device moved since the previous tick; it is halved
    // into a sample count. samples may be null when nothing moved.
    // Called on: the engines' timer thread, or the wave-input callback for the last stretch.
    AnalysisResult MeterRecordingBlock(const std::int16_t* samples, std::uint32_t byteCount);
    // Called on: the engines' timer thread.
    AnalysisResult MeterPlaybackBlock(const std::int16_t* samples, std::uint32_t byteCount);
    // The whole buffer the header describes (its buffer length, not the bytes recorded).
    // Thread: dialog.
    AnalysisResult AnalyseRecording(const SoundHeader& header);

    VoiceAnalyser recordAnalyser{kAnalyserRate};
    VoiceAnalyser playAnalyser{kAnalyserRate};
};

}  // namespace keyvoice
