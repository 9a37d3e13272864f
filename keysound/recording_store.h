#pragma once
// Stores the new recordings when the user leaves the recorder with OK: each becomes a .wax
// file in the host product's system folder, is analysed as a whole, and is registered in its
// key's KeyNInfo value as "level,class,path".
//
// A file and its value change together, even when the program is killed half-way: before the
// file is replaced, a value of KeyVoice's own (KeyNPending) records the new KeyNInfo text and a
// fingerprint of the new file; it goes once the KeyNInfo value is written. The next start
// finishes or undoes a store that was cut short (CompleteInterruptedStores): the new value
// when the file on disk is the new one, the earlier value (and file) otherwise. A store that
// refuses the mark still gets the file and then the value, without protection against a
// crash in between; when the value cannot be written either, the earlier file is put back.
//
// Thread: dialog. The store uses the play analyser, so no key may play or record meanwhile
// (OK is disabled while one does).

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "keysound/config_store.h"
#include "keysound/key_slots.h"
#include "keysound/key_voice_analysers.h"
#include "keysound/slot_state.h"
#include "keysound/string_table.h"
#include "platform/files/files.h"
#include "platform/ui/message_box.h"

namespace keyvoice {

enum class StoreOutcome {
    NothingNew,  // the slot holds no new recording
    NoFolder,    // ZavSysPath is missing or empty: nothing written, no message
    Failed,      // the file could not be written: the slot's message was shown, value unchanged
    Stored,      // file written and KeyNInfo set
};

class RecordingStore {
  public:
    RecordingStore(const ConfigStore& config, zav::platform::FileSystem& files,
                   zav::platform::MessageBoxes& messageBoxes, KeyVoiceAnalysers& analysers);

    // Stores recordable slot 0-4 if it holds a new recording: writes ZavSysPath + its file name
    // (the whole 2-second buffer, however much was recorded), then analyses the buffer with the
    // play analyser and writes the KeyNInfo value. The play analyser moves only when the file
    // was written. A failed write shows "There is not enough
    // free memory." first when memory ran out, then the slot's write-error message; the value
    // and any earlier file stay as they were. Throws std::out_of_range for another slot number.
    StoreOutcome StoreRecording(int slot, const RecordableSlotState& state);

    // Stores slots 0 to 4 in this order (keys 6, 7, 8, 9, 0). A failure affects only its slot.
    void StoreNewRecordings(std::span<const RecordableSlotState, kRecordableSlotCount> slots);

    // Finishes a store that a crash cut short, or undoes it: for each slot marked pending,
    // the KeyNInfo value becomes the new text when the slot's file is the new file, and stays
    // as it was otherwise; the mark goes. Then removes the temporary files that a killed
    // store left beside the recordings' files in ZavSysPath (FileSystem::RemoveStaleTemporaries;
    // nothing when ZavSysPath is missing or empty). Shows nothing.
    void CompleteInterruptedStores();

  private:
    void ShowError(StringId message);
    // Puts the file that a store without its mark replaced back as it was (or removes the new
    // one when there was none), because the value naming it could not be written.
    void PutBack(const std::string& path,
                 const std::optional<std::vector<std::uint8_t>>& earlierFile);

    const ConfigStore& config_;
    zav::platform::FileSystem& files_;
    zav::platform::MessageBoxes& messageBoxes_;
    KeyVoiceAnalysers& analysers_;
};

}  // namespace keyvoice
