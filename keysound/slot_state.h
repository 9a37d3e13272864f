#pragma once
// The state of the eleven key slots that the recorder dialog owns.

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>

#include "keysound/key_slots.h"
#include "keysound/sound.h"

namespace keyvoice {

// A sound in memory as playback sees it: the bytes from begin to end, and the byte offset at
// which the next playback starts (kept even by playback).
struct PlayRange {
    std::uint8_t* begin = nullptr;
    std::uint8_t* end = nullptr;
    std::uint32_t position = 0;

    std::uint32_t Size() const { return static_cast<std::uint32_t>(end - begin); }
};

// The range over a sound's whole sample block, from its first byte.
PlayRange WholeRange(Sound& sound);

// The engine state of one key. Written by the device callbacks, read by the dialog thread.
enum class KeyState : std::int32_t {
    Stopping = 0,
    Playing = 1,
    Recording = 2,
    Idle = 9,
};

struct BuiltinSlotState {
    std::optional<Sound> sound;  // present once loaded (builtinLoaded)
    PlayRange range;

    bool BuiltinLoaded() const { return sound.has_value(); }
};

struct RecordableSlotState {
    std::optional<Sound> stored;  // the recording loaded at start-up (storedRecording)
    PlayRange storedRange;
    std::optional<Sound> record;  // the 2.00-second record buffer (recordBufferReady)
    PlayRange recordRange;
    bool newRecording = false;  // recorded since start-up, to be stored on OK

    bool StoredRecording() const { return stored.has_value(); }
    bool RecordBufferReady() const { return record.has_value(); }
};

struct SlotStates {
    std::array<BuiltinSlotState, kBuiltinSlotCount> builtin;
    std::array<RecordableSlotState, kRecordableSlotCount> recordable;
    std::array<std::atomic<KeyState>, kKeyCount> keyState{};
    std::int32_t currentKey = kNoKey;
    PlayRange* currentRange = nullptr;
    std::int32_t soundVariant = kDefaultSoundVariant;

    SlotStates() {
        for (auto& state : keyState)
            state.store(KeyState::Idle);
    }
};

}  // namespace keyvoice
