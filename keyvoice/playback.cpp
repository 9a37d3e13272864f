// The playback engine: PLAY, STOP, the end of a sound and the progress tick.

#include "keyvoice/key_voice_dlg.h"
#include "keyvoice/resources.h"

namespace keyvoice {

using zav::platform::MmResult;
using zav::platform::WaveHeader;
using zav::platform::WaveMessage;
using zav::platform::WaveOutHandle;

void CKeyVoiceDlg::OnPlay() {
    const std::int32_t key = slots_.currentKey;
    SoundHeader* header = SoundOfKey(key);
    if (header == nullptr || slots_.currentRange == nullptr || StateOfKey(key) != KeyState::Idle)
        return;
    currentHeader_ = header;
    currentHeaderRange_ = slots_.currentRange;
    PlayRange& range = *slots_.currentRange;

    // The first PLAY after a recording starts at the beginning, whatever the slider shows.
    if (sliderShowsRecording_) {
        View().SetSliderPos(kIdcPosition, 0, true);
        range.position = 0;
    }
    sliderShowsRecording_ = false;
    const std::uint32_t size = range.Size();
    View().SetSliderRange(kIdcPosition, 0, static_cast<int>(size), true);
    // The slider chooses where the sound starts, on a sample boundary; at its end, from 0.
    const auto slider = static_cast<std::uint32_t>(View().GetSliderPos(kIdcPosition));
    if (slider != range.position)
        range.position = slider & ~std::uint32_t{1};
    if (range.position >= size)
        range.position = 0;
    header->wave.data = range.begin + range.position;
    header->wave.bufferLength = size - range.position;

    slots_.keyState[static_cast<std::size_t>(key)].store(KeyState::Playing);
    View().SetSliderRange(kIdcPosition, 0, static_cast<int>(size), true);
    View().SetSliderPos(kIdcPosition, static_cast<int>(range.position), true);
    // Cleared before the device opens: a short sound may end at once.
    deviceClosed_ = false;
    if (!StartPlayback(key)) {
        ReturnToIdle(key);
        return;
    }
    ShowTransportBusy();
    View().SetFocus(kIdcStop);
}

bool CKeyVoiceDlg::StartPlayback(std::int32_t keyIndex) {
    SoundHeader& header = *currentHeader_;
    header.wave.flags = 0;
    header.wave.loops = 0;
    const std::uint32_t run = BeginRun();
    WaveOutHandle& handle = waveOutHandles_[static_cast<std::size_t>(keyIndex)];
    // Called on: the device thread. It only hands the end of the sound to the dialog thread.
    const MmResult opened =
        audio_.WaveOut().Open(handle, static_cast<std::uint32_t>(playDeviceId_), header.format,
                              [this, run](WaveOutHandle, WaveMessage message, WaveHeader*) {
                                  if (message == WaveMessage::OutDone)
                                      poster_.Post([this, run] { OnPlaybackDone(run); });
                              });
    if (opened != MmResult::NoError) {
        handle = {};
        return false;
    }
    currentWaveOut_ = handle;
    audio_.WaveOut().PrepareHeader(handle, header.wave);
    tickLevel_ = 0;
    RefreshKeyButtons(false);
    if (audio_.WaveOut().Write(handle, header.wave) != MmResult::NoError)
        return false;  // the caller closes the device and returns the key to Idle
    progress_.Start([this] { OnProgressTick(); });
    previousPosition_ = 0;
    devicePosition_ = 0;
    return true;
}

void CKeyVoiceDlg::OnPlaybackDone(std::uint32_t run) {
    const std::int32_t key = slots_.currentKey;
    // A notice of an earlier run (the completion STOP's own reset provoked, or one after a
    // failure) is not the end of this sound.
    if (run != run_ || StateOfKey(key) != KeyState::Playing || deviceClosed_)
        return;
    progress_.Kill();
    SetSliderToMaximum();
    CloseDevice();
    EndRun();
    slots_.keyState[static_cast<std::size_t>(key)].store(KeyState::Idle);
    RefreshKeyButtons(true);
    meter_.SetLevel(0);
    View().SetFocus(kIdcPlay);
    OnStop();  // with the key Idle: puts the header back and refreshes the buttons
    deviceClosed_ = true;
    SetSliderToMaximum();
}

void CKeyVoiceDlg::OnStop() {
    const std::int32_t key = slots_.currentKey;
    switch (StateOfKey(key)) {
        case KeyState::Playing:
            progress_.Kill();
            slots_.keyState[static_cast<std::size_t>(key)].store(KeyState::Stopping);
            if (!deviceClosed_)
                CloseDevice();
            // The completion that the reset provoked belongs to the run that ends here.
            EndRun();
            slots_.keyState[static_cast<std::size_t>(key)].store(KeyState::Idle);
            RefreshKeyButtons(true);
            meter_.SetLevel(0);
            break;
        case KeyState::Recording:
            progress_.Kill();
            slots_.keyState[static_cast<std::size_t>(key)].store(KeyState::Stopping);
            StopRecordingDevice();
            // The device still holds the buffer: its header is put back, and the buttons come
            // back, when it has handed the buffer back (OnRecordingDone).
            return;
        case KeyState::Stopping:
            // A take already stopped: the device still holds its buffer.
            return;
        case KeyState::Idle:
            break;
    }
    ReleaseHeader();
    RefreshKeyButtons(true);
}

void CKeyVoiceDlg::OnProgressTick() {
    const KeyState state = StateOfKey(slots_.currentKey);
    if (state != KeyState::Playing && state != KeyState::Recording)
        return;
    // A failed read, or a position before the last one, moves nothing this tick.
    const std::optional<std::uint32_t> position = ReadDevicePosition();
    if (!position)
        return;
    devicePosition_ = *position;
    const std::uint32_t bytes = StretchBytes(devicePosition_);
    const std::int16_t* samples =
        bytes > 0
            ? reinterpret_cast<const std::int16_t*>(currentHeader_->wave.data + previousPosition_)
            : nullptr;
    if (state == KeyState::Playing) {
        tickLevel_ = analysers_.MeterPlaybackBlock(samples, bytes).level;
        View().SetSliderPos(
            kIdcPosition, static_cast<int>(currentHeaderRange_->position + devicePosition_), true);
    } else {
        tickLevel_ = analysers_.MeterRecordingBlock(samples, bytes).level;
        View().SetSliderPos(kIdcPosition, static_cast<int>(devicePosition_), true);
    }
    previousPosition_ = devicePosition_;
    meter_.SetLevel(tickLevel_);
}

}  // namespace keyvoice
