// What the playback and recording engines share: reading the device's progress, the header's
// restoration, and the ways back to Idle.

#include <algorithm>

#include "keyvoice/key_voice_dlg.h"
#include "keyvoice/resources.h"

namespace keyvoice {

using zav::platform::MmResult;

SoundHeader* CKeyVoiceDlg::SoundOfKey(std::int32_t keyIndex) {
    const std::optional<KeySlot> key = KeyByIndex(keyIndex);
    if (!key)
        return nullptr;
    if (key->kind == SlotKind::Builtin) {
        BuiltinSlotState& slot = slots_.builtin[static_cast<std::size_t>(key->slot)];
        return slot.sound ? &slot.sound->Header() : nullptr;
    }
    RecordableSlotState& slot = slots_.recordable[static_cast<std::size_t>(key->slot)];
    if (slot.newRecording && slot.record)
        return &slot.record->Header();
    if (slot.stored)
        return &slot.stored->Header();
    return nullptr;
}

std::optional<std::uint32_t> CKeyVoiceDlg::ReadDevicePosition() {
    std::uint32_t position = 0;
    MmResult read = MmResult::InvalHandle;
    if (currentWaveOut_) {
        read = audio_.WaveOut().GetPosition(currentWaveOut_, position);
    } else if (currentWaveIn_) {
        read = audio_.WaveIn().GetPosition(currentWaveIn_, position);
    }
    if (read != MmResult::NoError || position < previousPosition_)
        return std::nullopt;
    return position;
}

std::uint32_t CKeyVoiceDlg::StretchBytes(std::uint32_t position) const {
    if (currentHeader_ == nullptr)
        return 0;
    const std::uint32_t length = currentHeader_->wave.bufferLength;
    const std::uint32_t from = std::min(previousPosition_, length);
    return std::min(position, length) - from;
}

void CKeyVoiceDlg::RestoreHeader() {
    if (currentHeader_ == nullptr || currentHeaderRange_ == nullptr)
        return;
    currentHeader_->wave.data = currentHeaderRange_->begin;
    currentHeader_->wave.bufferLength = currentHeaderRange_->Size();
}

void CKeyVoiceDlg::ReleaseHeader() {
    RestoreHeader();
    // The run is over: the sound may be erased or replaced before the next one begins.
    currentHeader_ = nullptr;
    currentHeaderRange_ = nullptr;
}

void CKeyVoiceDlg::SetSliderToMaximum() {
    View().SetSliderPos(kIdcPosition, View().GetSliderRangeMax(kIdcPosition), true);
}

void CKeyVoiceDlg::CloseDevice() {
    // Reset first: it hands back a buffer the device still holds, so that unprepare and close
    // can succeed. Close waits for the device's callbacks; they only post.
    if (currentWaveOut_) {
        audio_.WaveOut().Reset(currentWaveOut_);
        if (currentHeader_ != nullptr)
            audio_.WaveOut().UnprepareHeader(currentWaveOut_, currentHeader_->wave);
        audio_.WaveOut().Close(currentWaveOut_);
    }
    if (currentWaveIn_) {
        audio_.WaveIn().Reset(currentWaveIn_);
        if (currentHeader_ != nullptr)
            audio_.WaveIn().UnprepareHeader(currentWaveIn_, currentHeader_->wave);
        audio_.WaveIn().Close(currentWaveIn_);
    }
    waveOutHandles_.fill({});
    waveInHandles_.fill({});
    currentWaveOut_ = {};
    currentWaveIn_ = {};
    deviceClosed_ = true;
}

void CKeyVoiceDlg::ReturnToIdle(std::int32_t keyIndex) {
    progress_.Kill();
    CloseDevice();
    EndRun();
    ReleaseHeader();
    if (keyIndex >= 0 && keyIndex < kKeyCount)
        slots_.keyState[static_cast<std::size_t>(keyIndex)].store(KeyState::Idle);
    RefreshKeyButtons(true);
    meter_.SetLevel(0);
}

void CKeyVoiceDlg::AbortEngine() {
    progress_.Kill();
    CloseDevice();
    EndRun();
    ReleaseHeader();
    for (auto& state : slots_.keyState)
        state.store(KeyState::Idle);
}

}  // namespace keyvoice
