#pragma once
// What the user of the recorder knows it must hold: the keys that got a take since the dialog
// started, and the recordings stored on the store and the disk, as the mu-law codes of the takes
// they came from. The checks compare the store, the files and a new dialog's sounds with it.
//
// Thread: one at a time (the dialog thread while the test thread waits, or the test thread
// between dialogs).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "keysound/key_slots.h"
#include "keysound/slot_state.h"
#include "platform/registry/registry.h"
#include "platform/testing/memory_file_system.h"

namespace random_user {

class RecorderModel {
  public:
    using Codes = std::vector<std::uint8_t>;
    // The record buffers of the recordable slots as they were at OK; none for a slot without a
    // new take.
    using Takes =
        std::array<std::optional<std::vector<std::int16_t>>, keyvoice::kRecordableSlotCount>;

    bool NewTake(int slot) const { return newTake_[Index(slot)]; }
    const std::optional<Codes>& Stored(int slot) const { return stored_[Index(slot)]; }
    // PLAY, REC and Erase are offered for a key with a new take or a stored recording.
    bool HasSound(int slot) const { return NewTake(slot) || Stored(slot).has_value(); }

    void TakeStarted(int slot) { newTake_[Index(slot)] = true; }
    // A confirmed Erase: the take is dropped and the stored recording deleted at once.
    void Erased(int slot);
    // OK: each new take is stored as the codes of its buffer; the dialog ends.
    void Confirmed(const Takes& takes);
    // Cancel: the takes are lost, what was stored stays.
    void Cancelled() { newTake_.fill(false); }

  private:
    static std::size_t Index(int slot) { return static_cast<std::size_t>(slot); }

    std::array<bool, keyvoice::kRecordableSlotCount> newTake_{};
    std::array<std::optional<Codes>, keyvoice::kRecordableSlotCount> stored_;
};

// The store and the disk against the model, for every recordable key: KeyNInfo exists exactly
// for a stored recording and names its file ZavSysPath + "\cfffN.wax"; that file exists exactly
// then, loads, and its data chunk holds the stored codes. "" when all holds, else what broke.
std::string CheckStoredRecordings(const RecorderModel& model, zav::platform::RegistryStore& store,
                                  zav::platform::sim::MemoryFileSystem& files,
                                  std::string_view sysPath);

// A dialog just started against the model: exactly the stored keys hold a stored recording,
// each sounding as its codes decode, and no key has a new take. "" or what broke.
std::string CheckLoadedRecordings(const RecorderModel& model, const keyvoice::SlotStates& slots);

}  // namespace random_user
