#include "keysound/recording_store.h"

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "keysound/string_table.h"
#include "keysound/wax_file.h"

namespace keyvoice {

namespace {

using zav::platform::MessageButtons;
using zav::platform::MessageIcon;
using zav::platform::MessageStyle;

// "15,2,": the longest level and class fields that precede the path in a KeyNInfo text.
constexpr std::size_t kLongestKeyInfoFields = 5;

// Whether a KeyNInfo text with this path can be read back at the next start: a text longer
// than the read limit reads as missing. A comma in the path is written as it is, as the host
// does: the host reads the value's text, and KeyVoice's own reader then finds the path cut at
// the comma and loads nothing for the key.
bool RegistrablePath(std::string_view path) {
    return path.size() + kLongestKeyInfoFields <= kConfigValueLimit;
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

// The path of a KeyNInfo text this store wrote: all that follows the level and class fields,
// commas included, as FormatKeyInfo put it there.
std::optional<std::string> MarkedPath(std::string_view keyInfo) {
    const std::size_t levelComma = keyInfo.find(',');
    if (levelComma == std::string_view::npos)
        return std::nullopt;
    const std::size_t classComma = keyInfo.find(',', levelComma + 1);
    if (classComma == std::string_view::npos)
        return std::nullopt;
    return std::string(keyInfo.substr(classComma + 1));
}

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

    const std::optional<std::string> folder = config_.ReadConfigValue(ConfigItem::ZavSysPath);
    if (!folder)
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

    // The value's text must be known before the file is replaced, so the whole buffer is
    // analysed first, but on a copy of the analysers: the play analyser carries its state into
    // the next analysis, and only a stored recording may move it.
    KeyVoiceAnalysers trial = analysers_;
    const AnalysisResult analysis = trial.AnalyseRecording(state.record->Header());
    const std::string keyInfo = FormatKeyInfo(path, analysis.soundClass, analysis.level);
    const std::string_view pending = PendingStoreValueName(slot);
    // The mark lets the next start finish a store that was cut short. A store that refuses
    // it (locked, read-only) still gets the file, then the value, as without a mark; the
    // earlier file is kept in memory meanwhile so that the two still agree if the value
    // cannot be written either.
    const bool marked =
        config_.TryWriteConfigValue(Fingerprint(*file) + kPendingSeparator + keyInfo, pending);
    std::optional<std::vector<std::uint8_t>> earlierFile;
    if (!marked) {
        std::vector<std::uint8_t> bytes;
        const zav::platform::FileStatus read = files_.ReadFile(path, kMaxRecordingFileBytes, bytes);
        if (read.Ok()) {
            earlierFile = std::move(bytes);
        } else if (read.error != zav::platform::FileError::NotFound) {
            ShowError(WriteErrorMessage(slot));  // an earlier file that could not be put back
            return StoreOutcome::Failed;
        }
    }
    const std::array<std::span<const std::uint8_t>, 1> pieces{*file};
    if (!files_.ReplaceFile(path, pieces).Ok()) {
        if (marked)
            config_.DeleteConfigValue(pending);
        ShowError(WriteErrorMessage(slot));
        return StoreOutcome::Failed;
    }
    if (config_.TryWriteConfigValue(keyInfo, KeyInfoValueName(slot))) {
        if (marked)
            config_.DeleteConfigValue(pending);
    } else if (!marked) {
        PutBack(path, earlierFile);
        ShowError(WriteErrorMessage(slot));
        return StoreOutcome::Failed;
    }
    // With the mark in place and the value not written, the next start writes it.
    analysers_.playAnalyser = trial.playAnalyser;
    return StoreOutcome::Stored;
}

void RecordingStore::PutBack(const std::string& path,
                             const std::optional<std::vector<std::uint8_t>>& earlierFile) {
    if (!earlierFile) {
        files_.DeleteFile(path);
        return;
    }
    const std::array<std::span<const std::uint8_t>, 1> pieces{*earlierFile};
    files_.ReplaceFile(path, pieces);
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
            const std::optional<std::string> path = MarkedPath(keyInfo);
            std::vector<std::uint8_t> bytes;
            if (path && files_.ReadFile(*path, kMaxRecordingFileBytes, bytes).Ok() &&
                Fingerprint(bytes) == fingerprint &&
                !config_.TryWriteConfigValue(keyInfo, KeyInfoValueName(slot))) {
                continue;  // the store refuses writes now: the next start tries again
            }
        }
        config_.DeleteConfigValue(pending);
    }
    // The temporary files of stores killed while writing (only the file system's own names for
    // the recordings' files); no other KeyVoice writes them while this one starts.
    const std::optional<std::string> folder = config_.ReadConfigValue(ConfigItem::ZavSysPath);
    if (folder) {
        for (int slot = 0; slot < kRecordableSlotCount; ++slot)
            files_.RemoveStaleTemporaries(*folder + std::string(RecordedFileName(slot)));
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
