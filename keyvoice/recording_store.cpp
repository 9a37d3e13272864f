#include "keyvoice/recording_store.h"

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "keyvoice/string_table.h"
#include "keyvoice/wax_file.h"

namespace keyvoice {

namespace {

using zav::platform::MessageButtons;
using zav::platform::MessageIcon;
using zav::platform::MessageStyle;

// "15,2,": the longest level and class fields that precede the path in a KeyNInfo text.
constexpr std::size_t kLongestKeyInfoFields = 5;

// Whether a KeyNInfo text with this path can be read back at the next start: a comma would end
// the path field, and a text longer than the read limit reads as missing.
bool RegistrablePath(std::string_view path) {
    return path.find(',') == std::string_view::npos &&
           path.size() + kLongestKeyInfoFields <= kConfigValueLimit;
}

StringId WriteErrorMessage(int slot) {
    return static_cast<StringId>(static_cast<int>(StringId::WriteErrorKey6) + slot);
}

// A fingerprint of a file's bytes (64-bit FNV-1a), as 16 hexadecimal digits.
std::string Fingerprint(std::span<const std::uint8_t> bytes) {
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (std::uint8_t byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001B3ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// The pending mark: the new file's fingerprint, then the new KeyNInfo text.
constexpr char kPendingSeparator = ':';
constexpr std::size_t kFingerprintLength = 16;
// A recording's file is 44,144 bytes; anything much larger is not one of ours.
constexpr std::uint64_t kMaxRecordingFileBytes = 1 << 20;
constexpr std::size_t kMaxPendingText = kFingerprintLength + 1 + 2 * kConfigValueLimit;

}  // namespace

RecordingStore::RecordingStore(const ConfigStore& config, zav::platform::FileSystem& files,
                               zav::platform::MessageBoxes& messageBoxes,
                               KeyVoiceAnalysers& analysers)
    : config_(config), files_(files), messageBoxes_(messageBoxes), analysers_(analysers) {}

StoreOutcome RecordingStore::StoreRecording(int slot, const RecordableSlotState& state) {
    if (slot < 0 || slot >= kRecordableSlotCount) {
        throw std::out_of_range("recordable slot " + std::to_string(slot));
    }
    if (!state.newRecording)
        return StoreOutcome::NothingNew;

    // An empty folder would put the file at the root of the drive.
    const std::optional<std::string> folder = config_.ReadConfigValue(ConfigItem::ZavSysPath);
    if (!folder || folder->empty())
        return StoreOutcome::NoFolder;
    const std::string path = *folder + std::string(RecordedFileName(slot));

    // A recording whose path could not be read back would be lost at the next start: refuse
    // it like a file that cannot be written. So is a slot marked new without a record buffer.
    bool outOfMemory = false;
    std::optional<std::vector<std::uint8_t>> file;
    if (state.RecordBufferReady() && RegistrablePath(path))
        file = BuildWaxFile(state.record->Header(), outOfMemory);
    if (!file) {
        if (outOfMemory)
            ShowError(StringId::NotEnoughMemory);
        ShowError(WriteErrorMessage(slot));
        return StoreOutcome::Failed;
    }

    // The samples in memory, as a whole. The analysis reads nothing the write changes, so it
    // can come first: the value's text must be known before the file is replaced.
    const AnalysisResult analysis = analysers_.AnalyseRecording(state.record->Header());
    const std::string keyInfo = FormatKeyInfo(path, analysis.soundClass, analysis.level);
    const std::string_view pending = PendingStoreValueName(slot);
    // Without the mark nothing is written: the store cannot be relied on (locked, read-only).
    if (!config_.TryWriteConfigValue(Fingerprint(*file) + kPendingSeparator + keyInfo, pending)) {
        ShowError(WriteErrorMessage(slot));
        return StoreOutcome::Failed;
    }
    const std::array<std::span<const std::uint8_t>, 1> pieces{*file};
    if (!files_.ReplaceFile(path, pieces).Ok()) {
        config_.DeleteConfigValue(pending);
        ShowError(WriteErrorMessage(slot));
        return StoreOutcome::Failed;
    }
    // When the value cannot be written now, the mark stays and the next start writes it.
    if (config_.TryWriteConfigValue(keyInfo, KeyInfoValueName(slot)))
        config_.DeleteConfigValue(pending);
    return StoreOutcome::Stored;
}

void RecordingStore::CompleteInterruptedStores() {
    for (int slot = 0; slot < kRecordableSlotCount; ++slot) {
        const std::string_view pending = PendingStoreValueName(slot);
        const std::optional<std::string> mark = config_.ReadValueText(pending, kMaxPendingText);
        if (!mark)
            continue;
        if (mark->size() > kFingerprintLength && (*mark)[kFingerprintLength] == kPendingSeparator) {
            const std::string fingerprint = mark->substr(0, kFingerprintLength);
            const std::string keyInfo = mark->substr(kFingerprintLength + 1);
            // The file the new text names; the replace either happened whole or not at all.
            const std::optional<std::string> path = ParseKeyInfoPath(keyInfo);
            std::vector<std::uint8_t> bytes;
            if (path && files_.ReadFile(*path, kMaxRecordingFileBytes, bytes).Ok() &&
                Fingerprint(bytes) == fingerprint &&
                !config_.TryWriteConfigValue(keyInfo, KeyInfoValueName(slot))) {
                continue;  // the store refuses writes now: the next start tries again
            }
        }
        config_.DeleteConfigValue(pending);
    }
}

void RecordingStore::StoreNewRecordings(
    std::span<const RecordableSlotState, kRecordableSlotCount> slots) {
    for (int slot = 0; slot < kRecordableSlotCount; ++slot) {
        StoreRecording(slot, slots[static_cast<std::size_t>(slot)]);
    }
}

void RecordingStore::ShowError(StringId message) {
    messageBoxes_.Show(LoadString(message), kErrorCaption,
                       MessageStyle{MessageButtons::Ok, MessageIcon::Error});
}

}  // namespace keyvoice
