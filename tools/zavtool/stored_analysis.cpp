#include "tools/zavtool/stored_analysis.h"

#include "keysound/config_store.h"
#include "keysound/key_voice_analysers.h"
#include "keysound/voice_analyser.h"

namespace zavtool {

keyvoice::AnalysisResult AnalyseStoredSound(const keyvoice::Sound& sound) {
    keyvoice::VoiceAnalyser analyser(keyvoice::kAnalyserRate);
    analyser.AnalyseFixed(sound.Samples());
    return analyser.Classify();
}

std::string KeyInfoFields(const keyvoice::AnalysisResult& result) {
    // Through the store's own formatter, so that the class digit is exactly the one it writes:
    // "level,class," with its trailing comma dropped.
    std::string fields = keyvoice::FormatKeyInfo("", result.soundClass, result.level);
    fields.pop_back();
    return fields;
}

}  // namespace zavtool
