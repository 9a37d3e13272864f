#pragma once
// The level and class of a whole stored sound, as storing it as a key registers them: a fresh
// analyser, as the recorder's play analyser is when nothing was played before OK, over the
// whole sound as one block around the centre line 0. zavtool analyse prints it; the doctor
// compares it with the KeyNInfo values.
//
// Thread: any.

#include <string>

#include "keysound/analysis_result.h"
#include "keysound/sound.h"

namespace zavtool {

keyvoice::AnalysisResult AnalyseStoredSound(const keyvoice::Sound& sound);

// "level,class": the first two fields of the KeyNInfo text the store writes for result.
std::string KeyInfoFields(const keyvoice::AnalysisResult& result);

}  // namespace zavtool
