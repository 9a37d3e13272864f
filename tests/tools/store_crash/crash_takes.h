#pragma once
// What the crash test stores and what it expects: the earlier recordings, and the five new
// takes that the storing process writes when the user presses OK. Both sides make them here,
// from the same numbers.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "keysound/key_slots.h"
#include "keysound/key_voice_analysers.h"
#include "keysound/slot_state.h"
#include "keysound/sound.h"

namespace store_crash {

inline constexpr zav::platform::PcmWaveFormat kFormat{
    zav::platform::kWaveFormatPcm, 1, 22050, 44100, 2, 16};
inline constexpr std::size_t kTakeSamples = 44100;

// A take of its own for each slot and generation (0: the earlier one, 1: the new one).
inline keyvoice::Sound Take(int slot, int generation) {
    keyvoice::Sound sound(kFormat, kTakeSamples);
    const double period = 20.0 + 7.0 * slot + 3.0 * generation;
    const double amplitude = 3000.0 + 2500.0 * slot + 9000.0 * generation;
    for (std::size_t i = 0; i < kTakeSamples; ++i) {
        sound.Samples()[i] = static_cast<std::int16_t>(std::lround(
            amplitude * std::sin(2 * std::numbers::pi * static_cast<double>(i) / period)));
    }
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
