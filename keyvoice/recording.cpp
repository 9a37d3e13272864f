// The recording engine: REC, the end of a take (the buffer full, or STOP) and normalising it.

#include <algorithm>

#include "keyvoice/key_voice_dlg.h"
#include "keyvoice/resources.h"

namespace keyvoice {

using zav::platform::kWaveMapper;
using zav::platform::MessageButtons;
using zav::platform::MessageIcon;
using zav::platform::MessageStyle;
using zav::platform::MmResult;
using zav::platform::WaveHeader;
using zav::platform::WaveInHandle;
using zav::platform::WaveMessage;

namespace {

// The host's error-text buffer holds 128 characters with its terminator.
constexpr std::size_t kMaxErrorText = 127;

}  // namespace

void CKeyVoiceDlg::OnRec() {
    const std::int32_t key = slots_.currentKey;
    const std::optional<KeySlot> selected = KeyByIndex(key);
    if (!selected || selected->kind != SlotKind::Recordable || StateOfKey(key) != KeyState::Idle)
        return;
    RecordableSlotState& slot = slots_.recordable[static_cast<std::size_t>(selected->slot)];
    if (!slot.RecordBufferReady())
        return;
    currentHeader_ = &slot.record->Header();
    currentHeaderRange_ = &slot.recordRange;
    // The buffer is zeroed and the take marked new only once the device has opened (in
    // StartRecording): a refused start keeps what the key held.
    View().SetSliderRange(kIdcPosition, 0, static_cast<int>(kRecordBufferBytes), true);
    View().SetSliderPos(kIdcPosition, 0, true);
    sliderShowsRecording_ = true;
    slots_.keyState[static_cast<std::size_t>(key)].store(KeyState::Recording);
    if (!StartRecording(key)) {
        ReturnToIdle(key);
        return;
    }
    ShowTransportBusy();
    View().SetFocus(kIdcStop);
}

bool CKeyVoiceDlg::StartRecording(std::int32_t keyIndex) {
    RecordableSlotState& slot =
        slots_.recordable[static_cast<std::size_t>(KeyByIndex(keyIndex)->slot)];
    SoundHeader& header = *currentHeader_;
    header = SoundHeader{};
    header.format = kRecordingFormat;
    const std::uint32_t run = BeginRun();
    WaveInHandle& handle = waveInHandles_[static_cast<std::size_t>(keyIndex)];
    // Called on: the device thread. It only hands the returned buffer to the dialog thread.
    const MmResult opened =
        audio_.WaveIn().Open(handle, kWaveMapper, header.format,
                             [this, run](WaveInHandle, WaveMessage message, WaveHeader*) {
                                 if (message == WaveMessage::InData)
                                     poster_.Post([this, run] { OnRecordingDone(run); });
                             });
    if (opened != MmResult::NoError) {
        handle = {};
        std::string text;
        audio_.WaveIn().GetErrorText(opened, text);
        if (text.size() > kMaxErrorText)
            text.resize(kMaxErrorText);
        View().Messages().Show(text, kErrorCaption,
                               MessageStyle{MessageButtons::Ok, MessageIcon::None});
        return false;
    }
    // The take begins: the buffer is zeroed (a take stopped early keeps zeros as its tail).
    std::ranges::fill(slot.record->Samples(), std::int16_t{0});
    slot.newRecording = true;
    currentWaveIn_ = handle;
    deviceClosed_ = false;
    header.wave.data = slot.record->Bytes();
    header.wave.bufferLength = kRecordBufferBytes;
    audio_.WaveIn().PrepareHeader(handle, header.wave);
    const bool queued = audio_.WaveIn().AddBuffer(handle, header.wave) == MmResult::NoError;
    tickLevel_ = 0;
    previousPosition_ = 0;
    devicePosition_ = 0;
    if (!queued || audio_.WaveIn().Start(handle) != MmResult::NoError) {
        // Nothing was recorded: the zeroed buffer is no take. The caller closes the device
        // (reset first, which hands the buffer back) and returns the key to Idle.
        slot.newRecording = false;
        return false;
    }
    RefreshKeyButtons(false);
    progress_.Start([this] { OnProgressTick(); });
    return true;
}

void CKeyVoiceDlg::StopRecordingDevice() {
    audio_.WaveIn().Stop(currentWaveIn_);
    // Stop hands back a buffer that holds something; one that holds nothing yet would stay
    // queued, and the take would never end: reset hands that back too.
    std::uint32_t position = 0;
    if (audio_.WaveIn().GetPosition(currentWaveIn_, position) != MmResult::NoError ||
        position == 0) {
        audio_.WaveIn().Reset(currentWaveIn_);
    }
}

void CKeyVoiceDlg::OnRecordingDone(std::uint32_t run) {
    const std::int32_t key = slots_.currentKey;
    const KeyState state = StateOfKey(key);
    if (run != run_ || (state != KeyState::Recording && state != KeyState::Stopping))
        return;
    const bool stoppedByUser = state == KeyState::Stopping;
    if (!stoppedByUser)
        progress_.Kill();
    // The last stretch brings the record analyser up to date for Normalise; it is not shown.
    if (const std::optional<std::uint32_t> position = ReadDevicePosition()) {
        devicePosition_ = *position;
        const std::uint32_t bytes = StretchBytes(devicePosition_);
        if (bytes > 0) {
            analysers_.MeterRecordingBlock(reinterpret_cast<const std::int16_t*>(
                                               currentHeader_->wave.data + previousPosition_),
                                           bytes);
        }
    }
    CloseDevice();
    EndRun();
    RecordableSlotState& slot = slots_.recordable[static_cast<std::size_t>(KeyByIndex(key)->slot)];
    // The whole buffer, whatever part of it was recorded.
    analysers_.recordAnalyser.Normalise(slot.record->Samples());
    slots_.keyState[static_cast<std::size_t>(key)].store(KeyState::Idle);
    // The device has handed the buffer back: now its header may change.
    ReleaseHeader();
    RefreshKeyButtons(true);
    meter_.SetLevel(0);
    if (!stoppedByUser) {
        SetSliderToMaximum();
        OnStop();  // with the key Idle: puts the header back and refreshes the buttons
    }
    deviceClosed_ = true;
}

}  // namespace keyvoice
