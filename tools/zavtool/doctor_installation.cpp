#include "tools/zavtool/doctor_installation.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "keysound/config_store.h"
#include "keysound/key_slots.h"
#include "keysound/wax_file.h"
#include "tools/zavtool/stored_analysis.h"
#include "voxgauge/mic_env_record.h"

namespace zavtool {

namespace {

using keyvoice::ConfigItem;
using keyvoice::ConfigStore;
using zav::platform::Access;
using zav::platform::RegistryKey;
using zav::platform::RegistryValue;
using zav::platform::RegResult;

constexpr std::string_view kSetupFileName = "\\setup.zav";
// More than any setup record: the check only needs to know whether the file reads.
constexpr std::uint64_t kSetupReadLimit = 4096;
// A pending mark is a fingerprint and a KeyNInfo text; anything up to this reads as one.
constexpr std::size_t kPendingReadLimit = 4096;

class Checks {
  public:
    Checks(zav::platform::RegistryStore& registry, zav::platform::FileSystem& files,
           FolderReader& folders, DoctorReport& report)
        : registry_(registry),
          files_(files),
          folders_(folders),
          report_(report),
          config_(registry) {}

    void Run() {
        if (!StoreOpens())
            return;
        const std::optional<std::string> data =
            Folder("DataPath",
                   config_.ReadValueText(keyvoice::kDataPathValue, keyvoice::kConfigValueLimit));
        const std::optional<std::string> sys =
            Folder("ZavSysPath", config_.ReadConfigValue(ConfigItem::ZavSysPath));
        SoundSet(sys);
        if (data)
            BuiltinSounds();
        if (sys)
            SysWritable(*sys);
        Recordings();
        PendingMarks();
        if (sys)
            TemporaryFiles(*sys);
        MicEnv();
    }

  private:
    void Add(std::string check, Severity severity, std::string detail, std::string advice = {},
             std::vector<Fact> facts = {}) {
        report_.Add({"installation", std::move(check), severity, std::move(detail),
                     std::move(advice), std::move(facts)});
    }

    bool StoreOpens() {
        RegistryKey key;
        const RegResult opened =
            registry_.OpenKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, Access::Read, key);
        if (opened == RegResult::FileNotFound) {
            Add("store", Severity::Problem, "no installation: the store has no key of Zav",
                "Install Zav, or make a sample installation with zavtool demo-install DIR.");
            return false;
        }
        if (opened != RegResult::Success) {
            std::string why(zav::platform::RegResultText(opened));
            if (const std::string detail = registry_.LastError(); !detail.empty())
                why += " (" + detail + ")";
            Add("store", Severity::Problem, "the store cannot be read: " + why,
                "Check that the store file ($ZAV_REGISTRY, or ~/.local/share/zav/"
                "registry.sqlite) is readable and no other program holds it locked.");
            return false;
        }
        Add("store", Severity::Ok, "the store opens and holds Zav's key");
        return true;
    }

    // A folder value: set, and naming a folder that exists.
    std::optional<std::string> Folder(const std::string& name, std::optional<std::string> value) {
        const std::string advice = "Set " + name + " to Zav's folder (zavtool reg set " + name +
                                   " sz PATH), or reinstall Zav.";
        if (!value || value->empty()) {
            Add(name, Severity::Problem,
                name + " is not set (or is longer than " +
                    std::to_string(keyvoice::kConfigValueLimit) + " bytes)",
                advice, {{"value", std::string()}});
            return std::nullopt;
        }
        if (!folders_.ListFolder(*value)) {
            Add(name, Severity::Problem, name + " names " + *value + ", which is not a folder",
                advice, {{"value", *value}});
            return std::nullopt;
        }
        Add(name, Severity::Ok, *value, {}, {{"value", *value}});
        return value;
    }

    void SoundSet(const std::optional<std::string>& sys) {
        const std::int32_t variant = keyvoice::ReadSoundVariant(config_, files_);
        config_.SetSoundVariant(variant);
        const std::string set = variant == keyvoice::kMaleSoundVariant ? "m" : "f";
        std::vector<std::uint8_t> record;
        const zav::platform::FileStatus read =
            sys ? files_.ReadPrefix(*sys + std::string(kSetupFileName), kSetupReadLimit, record)
                : zav::platform::FileStatus{zav::platform::FileError::NotFound, "no ZavSysPath"};
        if (!read.Ok()) {
            Add("setup", Severity::Warning,
                "setup.zav cannot be read (" + read.detail + "); KeyVoice uses sound set " + set,
                "Reinstall Zav, or run zavtool demo-install DIR --force, to put setup.zav back.",
                {{"sound_set", set}});
            return;
        }
        Add("setup", Severity::Ok, "setup.zav selects sound set " + set, {}, {{"sound_set", set}});
    }

    void BuiltinSounds() {
        for (int slot = 0; slot < keyvoice::kBuiltinSlotCount; ++slot) {
            const keyvoice::KeySlot& key = keyvoice::BuiltinKey(slot);
            const std::optional<std::string> path = config_.ReadConfigValue(key.item);
            const keyvoice::LoadStatus status = path ? keyvoice::LoadSoundFile(files_, *path).status
                                                     : keyvoice::LoadStatus::CannotOpen;
            if (status != keyvoice::LoadStatus::Loaded) {
                Add("builtin-sounds", Severity::Problem,
                    std::string("key ") + key.label + "'s sound " + path.value_or("(no path)") +
                        " does not load: " + std::string(keyvoice::DescribeLoadStatus(status)),
                    "KeyVoice stops at start-up without it: reinstall Zav's sounds, or run "
                    "zavtool demo-install DIR --force.",
                    {{"file", path.value_or("")}});
                return;
            }
        }
        Add("builtin-sounds", Severity::Ok,
            "the six sounds of set " +
                std::string(config_.SoundVariant() == keyvoice::kMaleSoundVariant ? "m" : "f") +
                " load");
    }

    void SysWritable(const std::string& sys) {
        const std::string path = sys + "\\" + std::string(kWriteTestFileName);
        const std::array<std::uint8_t, 1> byte{0};
        const std::array pieces{std::span<const std::uint8_t>(byte)};
        const zav::platform::FileStatus written = files_.ReplaceFile(path, pieces);
        if (!written.Ok()) {
            Add("ZavSysPath-writable", Severity::Problem,
                "ZavSysPath cannot be written: " + written.detail,
                "KeyVoice cannot store recordings there: give your user write permission to "
                "the folder.");
            return;
        }
        if (const zav::platform::FileStatus removed = files_.DeleteFile(path); !removed.Ok()) {
            Add("ZavSysPath-writable", Severity::Warning,
                "ZavSysPath can be written, but the test file stayed: " + removed.detail,
                "Delete " + zav::platform::NativePath(path) + " by hand.");
            return;
        }
        Add("ZavSysPath-writable", Severity::Ok, "a test file was written and removed");
    }

    void Recordings() {
        bool any = false;
        for (int slot = 0; slot < keyvoice::kRecordableSlotCount; ++slot) {
            const std::string name(keyvoice::KeyInfoValueName(slot));
            const std::optional<std::string> text =
                config_.ReadValueText(name, keyvoice::kConfigValueLimit);
            if (!text)
                continue;
            any = true;
            KeyInfo(slot, name, *text);
        }
        if (!any)
            Add("recordings", Severity::Ok, "no recording is stored");
    }

    void KeyInfo(int slot, const std::string& name, const std::string& text) {
        const char label = keyvoice::RecordableKey(slot).label;
        const std::string again = std::string("Record key ") + label +
                                  " again in KeyVoice and press OK, or delete the value "
                                  "(zavtool reg delete " +
                                  name + ").";
        const std::vector<std::string> fields = Fields(text);
        const std::optional<std::string> path = keyvoice::ParseKeyInfoPath(text);
        if (!path || fields.size() < 3) {
            Add(name, Severity::Warning, "\"" + text + "\" does not parse as level,class,path",
                again, {{"text", text}});
            return;
        }
        const keyvoice::LoadResult loaded = keyvoice::LoadSoundFile(files_, *path);
        if (loaded.status != keyvoice::LoadStatus::Loaded) {
            Add(name, Severity::Warning,
                "names " + *path + ", which does not load: " +
                    std::string(keyvoice::DescribeLoadStatus(loaded.status)),
                again, {{"text", text}, {"file", *path}});
            return;
        }
        const std::string analysed = KeyInfoFields(AnalyseStoredSound(*loaded.sound));
        const std::string stored = fields[0] + "," + fields[1];
        std::vector<Fact> facts{{"text", text}, {"file", *path}, {"analysed", analysed}};
        if (stored != analysed) {
            Add(name, Severity::Warning,
                "says level,class " + stored + " but its file analyses as " + analysed,
                "Set the analysed value (zavtool reg set " + name + " sz \"" + analysed + "," +
                    *path + "\"), or record the key again in KeyVoice.",
                std::move(facts));
            return;
        }
        Add(name, Severity::Ok, *path + " loads and analyses as " + analysed, {}, std::move(facts));
    }

    // The fields of a KeyNInfo text as the store's reader splits them: runs of commas separate.
    static std::vector<std::string> Fields(std::string_view text) {
        std::vector<std::string> fields;
        std::size_t position = 0;
        while ((position = text.find_first_not_of(',', position)) != std::string_view::npos) {
            const std::size_t end = std::min(text.find(',', position), text.size());
            fields.emplace_back(text.substr(position, end - position));
            position = end;
        }
        return fields;
    }

    void PendingMarks() {
        std::string marked;
        for (int slot = 0; slot < keyvoice::kRecordableSlotCount; ++slot) {
            const std::string_view name = keyvoice::PendingStoreValueName(slot);
            if (config_.ReadValueText(name, kPendingReadLimit))
                marked += (marked.empty() ? "" : ", ") + std::string(name);
        }
        if (!marked.empty()) {
            Add("pending-stores", Severity::Warning,
                "a store was cut short and left its mark: " + marked,
                "Start KeyVoice once: it finishes or undoes the store as it starts.",
                {{"values", marked}});
            return;
        }
        Add("pending-stores", Severity::Ok, "no store was cut short");
    }

    void TemporaryFiles(const std::string& sys) {
        std::string found;
        for (const std::string& entry :
             folders_.ListFolder(sys).value_or(std::vector<std::string>{})) {
            for (int slot = 0; slot < keyvoice::kRecordableSlotCount; ++slot) {
                // The recording's file name without its leading backslash.
                if (zav::platform::IsTemporaryName(entry,
                                                   keyvoice::RecordedFileName(slot).substr(1))) {
                    found += (found.empty() ? "" : ", ") + entry;
                }
            }
        }
        if (!found.empty()) {
            Add("temporary-files", Severity::Warning,
                "an interrupted store left temporary files in ZavSysPath: " + found,
                "Start KeyVoice once: it removes them as it starts.", {{"files", found}});
            return;
        }
        Add("temporary-files", Severity::Ok, "no temporary file is left in ZavSysPath");
    }

    void MicEnv() {
        RegistryKey key;
        RegistryValue value;
        RegResult result =
            registry_.OpenKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, Access::Read, key);
        if (result == RegResult::Success)
            result = key.Query(voxgauge::kMicEnvValueName, value);
        const std::string again = "Run VoxGauge, set the microphone's level and press OK.";
        if (result == RegResult::FileNotFound) {
            Add("MicEnv", Severity::Warning,
                "MicEnv is not set: VoxGauge has not stored the microphone's settings", again);
            return;
        }
        if (result != RegResult::Success) {
            Add("MicEnv", Severity::Problem,
                "MicEnv cannot be read: " + std::string(zav::platform::RegResultText(result)),
                again);
            return;
        }
        const std::size_t size = value.data.size();
        const auto records = static_cast<std::int64_t>(size / voxgauge::MicEnvRecord::kSize);
        if (value.type != zav::platform::ValueType::Binary || size == 0 ||
            size % voxgauge::MicEnvRecord::kSize != 0) {
            Add("MicEnv", Severity::Problem,
                "MicEnv holds " + std::to_string(size) +
                    " bytes, not whole 20-byte records of binary data as VoxGauge writes",
                again, {{"bytes", static_cast<std::int64_t>(size)}});
            return;
        }
        Add("MicEnv", Severity::Ok, std::to_string(records) + " control values", {},
            {{"records", records}});
    }

    zav::platform::RegistryStore& registry_;
    zav::platform::FileSystem& files_;
    FolderReader& folders_;
    DoctorReport& report_;
    ConfigStore config_;
};

}  // namespace

void CheckInstallation(zav::platform::RegistryStore& registry, zav::platform::FileSystem& files,
                       FolderReader& folders, DoctorReport& report) {
    Checks(registry, files, folders, report).Run();
}

}  // namespace zavtool
