#pragma once
// What the crash test stores and what it expects: the earlier recordings, and the five new
// takes that the storing process writes when the user presses OK. Both sides make them here,
// from the same numbers.

#include <algorithm>
#include <vector>

#include "keysound/key_slots.h"
#include "keysound/key_voice_analysers.h"
#include "keysound/slot_state.h"
#include "keysound/sound.h"
#include "tests/keysound/analysis/signals.h"

namespace store_crash {

inline constexpr zav::platform::PcmWaveFormat kFormat{
    zav::platform::kWaveFormatPcm, 1, 22050, 44100, 2, 16};
inline constexpr std::size_t kTakeSamples = 44100;

// A take of its own for each slot and generation (0: the earlier one, 1: the new one).
inline keyvoice::Sound Take(int slot, int generation) {
    keyvoice::Sound sound(kFormat, kTakeSamples);
    const std::vector<std::int16_t> tone =
        analysis_test::Tone(kTakeSamples, 20.0 + 7.0 * slot + 3.0 * generation,
                            3000.0 + 2500.0 * slot + 9000.0 * generation);
    std::copy(tone.begin(), tone.end(), sound.Samples().begin());
    return sound;
}

// The five slots, each holding a new take, as the dialog holds them at OK.
inline std::vector<keyvoice::RecordableSlotState> NewTakes() {
    std::vector<keyvoice::RecordableSlotState> slots(keyvoice::kRecordableSlotCount);
    for (int slot = 0; slot < keyvoice::kRecordableSlotCount; ++slot) {
        slots[static_cast<std::size_t>(slot)].record.emplace(Take(slot, 1));
        slots[static_cast<std::size_t>(slot)].newRecording = true;
    }
    return slots;
}

}  // namespace store_crash
