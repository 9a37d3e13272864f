// zavtool analyse: the level and class digit that storing the sound as a key would register.

#include <string>

#include "keyvoice/config_store.h"
#include "keyvoice/key_voice_analysers.h"
#include "keyvoice/voice_analyser.h"
#include "keyvoice/wax_file.h"
#include "tools/zavtool/command.h"

namespace zavtool {

ExitStatus RunAnalyse(CommandContext& context) {
    if (context.args.size() != 1) {
        return Fail(context, ExitStatus::Usage, "usage: zavtool analyse FILE.wax");
    }
    const std::string& path = context.args[0];
    keyvoice::LoadResult loaded = keyvoice::LoadSoundFile(context.files, path);
    if (loaded.status != keyvoice::LoadStatus::Loaded) {
        return Fail(context, ExitStatus::LoadFailed,
                    path + ": " + std::string(keyvoice::DescribeLoadStatus(loaded.status)));
    }

    // A fresh analyser, as the recorder's play analyser is when nothing was played before OK:
    // the whole sound as one block around the centre line 0.
    keyvoice::VoiceAnalyser analyser(keyvoice::kAnalyserRate);
    analyser.AnalyseFixed(loaded.sound->Samples());
    const keyvoice::AnalysisResult result = analyser.Classify();

    // The first two fields of the KeyNInfo text, so that the class digit is exactly the one
    // the store writes: "level,class," with its trailing comma dropped.
    std::string fields = keyvoice::FormatKeyInfo("", result.soundClass, result.level);
    fields.pop_back();
    context.out << fields << '\n';
    return ExitStatus::Success;
}

}  // namespace zavtool
