// zavtool analyse: the level and class digit that storing the sound as a key would register.

#include <string>

#include "keysound/wax_file.h"
#include "tools/zavtool/command.h"
#include "tools/zavtool/stored_analysis.h"

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

    context.out << KeyInfoFields(AnalyseStoredSound(*loaded.sound)) << '\n';
    return ExitStatus::Success;
}

}  // namespace zavtool
