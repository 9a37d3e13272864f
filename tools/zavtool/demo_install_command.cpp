#include "tools/zavtool/demo_install_command.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "keysound/config_store.h"
#include "keysound/key_slots.h"
#include "keysound/sound.h"
#include "keysound/wax_file.h"
#include "tools/zavtool/demo_sounds.h"

namespace zavtool {

namespace {

using zav::platform::Access;
using zav::platform::FileError;
using zav::platform::FileStatus;
using zav::platform::FileSystem;
using zav::platform::RegistryKey;
using zav::platform::RegistryValue;
using zav::platform::RegResult;

constexpr std::string_view kUsage = "usage: zavtool demo-install DIR [--variant m|f] [--force]";

// The "f" set is the one the recorder falls back to.
constexpr std::int32_t kFemaleSoundVariant = keyvoice::kDefaultSoundVariant;

// The host product's setup file: the recorder reads the signed byte at kSoundVariantOffset of
// its kSetupRecordSize-byte record; the other bytes mean nothing to it and stay zero.
constexpr std::string_view kSetupFileName = "setup.zav";
constexpr std::size_t kSetupRecordSize = 280;
constexpr std::size_t kSoundVariantOffset = 268;

struct Options {
    std::string dir;
    std::int32_t soundVariant = kFemaleSoundVariant;
    bool force = false;
};

// The system's own folder separator: '/' on Linux, '\\' on Windows, as the host writes its paths.
constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

// Where the installation goes: absolute paths with the system's separators.
struct Layout {
    std::string dataFolder;  // with its trailing separator, as DataPath holds it
    std::string sysFolder;   // without one, as ZavSysPath holds it
};

// A file of the installation. Its content is made only when it is written, so that a refusal
// costs no synthesis.
struct PlannedFile {
    std::string path;
    char keyLabel = 0;  // the built-in key whose sound it holds; 0 for the setup file
    bool existed = false;
};

std::optional<Options> ParseOptions(CommandContext& context) {
    Options options;
    bool haveDir = false;
    for (std::size_t i = 0; i < context.args.size(); ++i) {
        const std::string& word = context.args[i];
        if (word == "--force") {
            options.force = true;
        } else if (word == "--variant") {
            const bool known = i + 1 < context.args.size() &&
                               (context.args[i + 1] == "m" || context.args[i + 1] == "f");
            if (!known) {
                Fail(context, ExitStatus::Usage, "--variant takes m or f");
                return std::nullopt;
            }
            ++i;
            options.soundVariant =
                context.args[i] == "m" ? keyvoice::kMaleSoundVariant : kFemaleSoundVariant;
        } else if (word.starts_with("-") || haveDir || word.empty()) {
            Fail(context, ExitStatus::Usage, kUsage);
            return std::nullopt;
        } else {
            options.dir = word;
            haveDir = true;
        }
    }
    if (!haveDir) {
        Fail(context, ExitStatus::Usage, kUsage);
        return std::nullopt;
    }
    return options;
}

// The store keeps absolute paths: the recorder may be started from any folder.
std::optional<Layout> LayOut(CommandContext& context, const std::string& dir) {
    std::error_code error;
    const std::filesystem::path absolute =
        std::filesystem::absolute(zav::platform::NativePath(dir), error);
    if (error) {
        Fail(context, ExitStatus::Usage, dir + ": " + error.message());
        return std::nullopt;
    }
    std::string root = absolute.lexically_normal().string();
    while (!root.empty() && root.back() == kSeparator)
        root.pop_back();  // the root folder itself becomes "", so that no "//" appears
    Layout layout{root + kSeparator + "data" + kSeparator, root + kSeparator + "sys"};
    if (std::max(layout.dataFolder.size(), layout.sysFolder.size()) > keyvoice::kConfigValueLimit) {
        Fail(context, ExitStatus::Usage,
             dir + ": too long; the recorder reads paths of at most " +
                 std::to_string(keyvoice::kConfigValueLimit) + " bytes");
        return std::nullopt;
    }
    return layout;
}

std::string Seconds(std::size_t samples) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s",
                  static_cast<double>(samples) / static_cast<double>(kDemoSampleRate));
    return text;
}

std::vector<PlannedFile> PlanFiles(const Layout& layout, std::int32_t soundVariant) {
    std::vector<PlannedFile> planned;
    for (int slot = 0; slot < keyvoice::kBuiltinSlotCount; ++slot) {
        planned.push_back({layout.dataFolder + keyvoice::BuiltinFileName(slot, soundVariant),
                           keyvoice::BuiltinKey(slot).label});
    }
    planned.push_back({layout.sysFolder + kSeparator + std::string(kSetupFileName)});
    return planned;
}

// A folder or anything else at the path counts: only a missing path is free.
bool PathTaken(FileSystem& files, const std::string& path) {
    std::vector<std::uint8_t> nothing;
    return files.ReadPrefix(path, 0, nothing).error != FileError::NotFound;
}

// The installation's values as the store holds them now: nothing for a value that is not set.
struct StoreValues {
    std::optional<RegistryValue> sysPath;
    std::optional<RegistryValue> dataPath;
};

std::optional<StoreValues> ReadStoreValues(CommandContext& context) {
    StoreValues values;
    RegistryKey key;
    const RegResult opened =
        context.registry.OpenKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, Access::Read, key);
    if (opened == RegResult::FileNotFound)
        return values;
    for (auto [name, slot] : {std::pair{keyvoice::kZavSysPathValue, &values.sysPath},
                              std::pair{keyvoice::kDataPathValue, &values.dataPath}}) {
        RegistryValue value;
        const RegResult queried = opened == RegResult::Success ? key.Query(name, value) : opened;
        if (queried == RegResult::Success) {
            *slot = std::move(value);
        } else if (queried != RegResult::FileNotFound) {
            Fail(context, ExitStatus::Usage,
                 "cannot read the store: " + context.registry.LastError());
            return std::nullopt;
        }
    }
    return values;
}

// Deletes, when dropped, the files a run added, unless the run kept them: a failed run leaves
// what was there before and nothing new.
class AddedFiles {
  public:
    explicit AddedFiles(FileSystem& files) : files_(files) {}
    AddedFiles(const AddedFiles&) = delete;
    AddedFiles& operator=(const AddedFiles&) = delete;
    ~AddedFiles() {
        for (const std::string& path : paths_)
            files_.DeleteFile(path);  // best effort: the failure has been reported already
    }

    void Add(std::string path) { paths_.push_back(std::move(path)); }
    void Keep() { paths_.clear(); }

  private:
    FileSystem& files_;
    std::vector<std::string> paths_;
};

// Makes and writes the file's content; what says what it holds, for the report.
bool WriteFile(FileSystem& files, const PlannedFile& file, std::int32_t soundVariant,
               std::string& what) {
    if (file.keyLabel == 0) {
        std::vector<std::uint8_t> record(kSetupRecordSize, 0);
        record[kSoundVariantOffset] = static_cast<std::uint8_t>(soundVariant);
        what = soundVariant == keyvoice::kMaleSoundVariant ? "sound set m" : "sound set f";
        const std::array pieces{std::span<const std::uint8_t>(record)};
        return files.ReplaceFile(file.path, pieces).Ok();
    }
    const std::vector<std::int16_t> samples = SynthesizeKeySound(file.keyLabel, soundVariant);
    keyvoice::Sound sound(kDemoSoundFormat, samples.size());
    std::copy(samples.begin(), samples.end(), sound.Samples().begin());
    what = std::string("key ") + file.keyLabel + ", " + Seconds(samples.size());
    return keyvoice::WriteWaxFile(files, file.path, sound.Header()) ==
           keyvoice::WaxWriteResult::Written;
}

// Sets ZavSysPath, then DataPath, which is what the recorder first looks for. When DataPath
// cannot be set, ZavSysPath goes back to what it was.
bool WriteStoreValues(CommandContext& context, const Layout& layout, const StoreValues& before) {
    RegistryKey key;
    if (context.registry.CreateKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, Access::All, key) !=
        RegResult::Success) {
        Fail(context, ExitStatus::Usage,
             "cannot open the store's key: " + context.registry.LastError());
        return false;
    }
    if (key.SetString(keyvoice::kZavSysPathValue, layout.sysFolder) != RegResult::Success) {
        Fail(context, ExitStatus::Usage, "cannot set ZavSysPath: " + context.registry.LastError());
        return false;
    }
    if (key.SetString(keyvoice::kDataPathValue, layout.dataFolder) != RegResult::Success) {
        Fail(context, ExitStatus::Usage, "cannot set DataPath: " + context.registry.LastError());
        if (before.sysPath)
            key.Set(keyvoice::kZavSysPathValue, before.sysPath->type, before.sysPath->data);
        else
            key.Delete(keyvoice::kZavSysPathValue);
        return false;
    }
    return true;
}

}  // namespace

ExitStatus InstallDemo(CommandContext& context, FolderMaker& folders) {
    const std::optional<Options> options = ParseOptions(context);
    if (!options)
        return ExitStatus::Usage;
    const std::optional<Layout> layout = LayOut(context, options->dir);
    if (!layout)
        return ExitStatus::Usage;

    const std::optional<StoreValues> before = ReadStoreValues(context);
    if (!before)
        return ExitStatus::Usage;
    std::vector<PlannedFile> planned = PlanFiles(*layout, options->soundVariant);
    for (PlannedFile& file : planned)
        file.existed = PathTaken(context.files, file.path);

    if (!options->force) {
        const char* setValue = before->dataPath  ? "DataPath"
                               : before->sysPath ? "ZavSysPath"
                                                 : nullptr;
        if (setValue != nullptr) {
            return Fail(context, ExitStatus::Usage,
                        std::string("an installation exists already: ") + setValue +
                            " is set (--force replaces it)");
        }
        const auto taken = std::find_if(planned.begin(), planned.end(),
                                        [](const PlannedFile& file) { return file.existed; });
        if (taken != planned.end()) {
            return Fail(context, ExitStatus::Usage,
                        taken->path + " exists already (--force replaces it)");
        }
    }

    for (const std::string& folder : {layout->dataFolder, layout->sysFolder}) {
        if (FileStatus status = folders.MakeFolders(folder); !status.Ok())
            return Fail(context, ExitStatus::Usage, status.detail);
    }
    AddedFiles added(context.files);
    std::vector<std::string> made;
    for (const PlannedFile& file : planned) {
        std::string what;
        if (!WriteFile(context.files, file, options->soundVariant, what))
            return Fail(context, ExitStatus::Usage, "cannot write " + file.path);
        if (!file.existed)
            added.Add(file.path);
        made.push_back("made " + file.path + "  " + what);
    }
    if (!WriteStoreValues(context, *layout, *before))
        return ExitStatus::Usage;
    added.Keep();

    for (const std::string& line : made)
        context.out << line << '\n';
    context.out << "set ZavSysPath " << layout->sysFolder << '\n';
    context.out << "set DataPath " << layout->dataFolder << '\n';
    return ExitStatus::Success;
}

ExitStatus RunDemoInstall(CommandContext& context) {
    NativeFolderMaker folders;
    return InstallDemo(context, folders);
}

}  // namespace zavtool
