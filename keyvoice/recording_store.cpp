#include "keyvoice/recording_store.h"

#include <stdexcept>
#include <string>

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
    WaxWriteResult written = WaxWriteResult::Failed;
    if (state.RecordBufferReady() && RegistrablePath(path)) {
        written = WriteWaxFile(files_, path, state.record->Header());
    }
    if (written != WaxWriteResult::Written) {
        if (written == WaxWriteResult::OutOfMemory)
            ShowError(StringId::NotEnoughMemory);
        ShowError(WriteErrorMessage(slot));
        return StoreOutcome::Failed;
    }

    // The samples in memory, after the file is written, as a whole.
    const AnalysisResult analysis = analysers_.AnalyseRecording(state.record->Header());
    config_.WriteConfigValue(FormatKeyInfo(path, analysis.soundClass, analysis.level),
                             KeyInfoValueName(slot));
    return StoreOutcome::Stored;
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
