#pragma once
// KeyVoice's one window: the recorder dialog. While its window is being created it checks the
// devices and the host product's installation, allocates the five record buffers and loads
// every key's sound; then the user selects keys, plays them (PLAY, STOP, the position slider and
// the level meter), records keys 6 to 9 and 0 (REC), erases recordings, and on OK stores the new
// ones as .wax files registered in the store.
//
// The dialog owns every sound, the device checks and record-volume control, the meter, the two
// voice analysers and the engines' devices and timer.
//
// Threads: every member runs on the dialog thread. The wave devices' callbacks and the progress
// timer's ticks run elsewhere and only post to the dialog thread, tagged with the engine run
// they belong to; the end-of-sound, end-of-recording and tick steps run there, and a post from
// a run that has ended (STOP, the end of the sound, a failure) is dropped. So a STOP and the end
// of a sound never both tear a device down, nobody waits on anybody, and the completion that
// STOP's own reset provokes never runs the end-of-sound steps.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "keysound/config_store.h"
#include "keysound/key_slots.h"
#include "keysound/key_voice_analysers.h"
#include "keysound/slot_state.h"
#include "keysound/sound.h"
#include "keysound/string_table.h"
#include "keyvoice/info_wnd.h"
#include "keyvoice/progress_timer.h"
#include "keyvoice/sound_devices.h"
#include "platform/audio/audio_system.h"
#include "platform/files/files.h"
#include "platform/mixer/mixer.h"
#include "platform/registry/registry.h"
#include "platform/timer/multimedia_timer.h"
#include "platform/ui/dialog_handler.h"
#include "platform/ui/dialog_runner.h"
#include "platform/ui/dispatcher.h"
#include "platform/ui/scoped_poster.h"

namespace keyvoice {

// Makes one record buffer: a zeroed header and 44,100 zeroed samples in the recording format.
// Throws std::bad_alloc when memory runs out.
using RecordBufferAllocator = std::function<Sound(const zav::platform::PcmWaveFormat& format)>;

// What the dialog works with; everything must outlive it.
struct KeyVoiceServices {
    zav::platform::AudioSystem& audio;
    zav::platform::Mixer& mixer;
    zav::platform::MultimediaTimer& timer;
    zav::platform::RegistryStore& store;
    zav::platform::FileSystem& files;
    zav::platform::Dispatcher& dispatcher;                 // the dialog thread's
    zav::platform::DialogRunner& runner;                   // for the About box
    RecordBufferAllocator allocateRecordBuffer = nullptr;  // none: the ordinary allocation
};

// The recording format: PCM, mono, 22,050 samples a second, 16 bits.
inline constexpr zav::platform::PcmWaveFormat kRecordingFormat{
    zav::platform::kWaveFormatPcm, 1, 22050, 44100, 2, 16};
inline constexpr std::uint32_t kRecordBufferBytes = 88200;  // 2.00 seconds
// The multimedia timer's period may be no longer than this, and start-up asks for it.
inline constexpr std::uint32_t kTimerResolutionMs = 100;

class CKeyVoiceDlg : public zav::platform::DialogHandler {
  public:
    explicit CKeyVoiceDlg(const KeyVoiceServices& services);
    // Stops a sound that plays or records, closes the mixer, then releases every sound.
    ~CKeyVoiceDlg() override;
    CKeyVoiceDlg(const CKeyVoiceDlg&) = delete;
    CKeyVoiceDlg& operator=(const CKeyVoiceDlg&) = delete;

    // The template the dialog is run with (102).
    static const zav::platform::DialogTemplate& Template();

    // Window messages and commands.
    int OnCreate(zav::platform::DialogView& view) override;
    bool OnInitDialog() override;
    void OnCommand(int controlId) override;
    void OnVScroll(int controlId, zav::platform::ScrollCode code) override;
    bool OnSysCommand(std::uint32_t commandId) override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;

    // Key commands.
    void SelectBuiltinKey(std::int32_t keyIndex, int builtinSlot);
    void SelectRecordableKey(std::int32_t keyIndex, int recordableSlot);
    void HighlightCurrentKey(bool on);
    void RefreshKeyButtons(bool enable);
    void ShowTransportOff();
    void ShowTransportBuiltin();
    void ShowTransportEmpty();
    void ShowTransportFilled();
    void ShowTransportBusy();
    void OnErase();

    // The engines.
    void OnPlay();
    void OnRec();
    void OnStop();

    // Inspection. Thread: dialog.
    const SlotStates& Slots() const { return slots_; }
    KeyState StateOfKey(std::int32_t keyIndex) const;
    std::int32_t CurrentKey() const { return slots_.currentKey; }
    std::int32_t PlayDeviceId() const { return playDeviceId_; }
    const CSoundDevices& Devices() const { return devices_; }
    const CInfoWnd& Meter() const { return meter_; }
    bool SliderShowsRecording() const { return sliderShowsRecording_; }
    bool ProgressTimerRunning() const { return progress_.Running(); }
    bool DeviceClosed() const { return deviceClosed_; }

  private:
    // Start-up (key_voice_dlg.cpp).
    bool AllocateRecordBuffers();
    bool LoadBuiltinSounds();
    void LoadStoredRecordings();
    bool RequestTimerResolution();
    void ShowError(StringId text);
    void ShowMessage(StringId text, std::string_view caption, zav::platform::MessageIcon icon);

    // Playback (playback.cpp).
    bool StartPlayback(std::int32_t keyIndex);
    void OnPlaybackDone(std::uint32_t run);
    void OnProgressTick();

    // Recording (recording.cpp).
    bool StartRecording(std::int32_t keyIndex);
    void OnRecordingDone(std::uint32_t run);
    // STOP while recording: stops the input device so that it hands the buffer back.
    void StopRecordingDevice();

    // Both engines (engine.cpp).
    // The position the device reports now, when it can be trusted: none when the read fails or
    // the position lies before the previous one (which an unsigned difference would turn into
    // some 4 GB).
    std::optional<std::uint32_t> ReadDevicePosition();
    // The bytes from previousPosition_ to position, kept inside the current buffer.
    std::uint32_t StretchBytes(std::uint32_t position) const;
    // The current sound's header back over its whole buffer (undoing PLAY's advance).
    void RestoreHeader();
    void ReleaseHeader();
    // Reset, unprepare and close the device that plays or records, if one is open.
    void CloseDevice();
    // After a failed start: the key back to Idle with its idle buttons, no timer, the header
    // restored and no device.
    void ReturnToIdle(std::int32_t keyIndex);
    // Stops whatever plays or records and waits for the devices' callbacks, so that no buffer
    // is released while a device may still use it (cancel, window destruction).
    void AbortEngine();
    // A new run: the callbacks and ticks of earlier runs are dropped from now on.
    std::uint32_t BeginRun() { return ++run_; }
    void EndRun() { ++run_; }

    // The sound PLAY plays for a key: a built-in sound, or a recordable key's new recording
    // before its stored one; null when the key has none.
    SoundHeader* SoundOfKey(std::int32_t keyIndex);
    void SetSliderToMaximum();
    zav::platform::DialogView& View() { return *view_; }

    zav::platform::AudioSystem& audio_;
    zav::platform::MultimediaTimer& timer_;
    zav::platform::FileSystem& files_;
    zav::platform::DialogRunner& runner_;
    RecordBufferAllocator allocateRecordBuffer_;

    ConfigStore config_;
    SlotStates slots_;
    CSoundDevices devices_;
    KeyVoiceAnalysers analysers_;
    CInfoWnd meter_;
    std::int32_t playDeviceId_ = kNoDevice;
    zav::platform::TimerCaps timerCaps_;
    bool resolutionRequested_ = false;

    // The engines' state. The device handles are kept per key, as the host keeps them; the
    // current ones are those of the sound that plays or records. run_ tags what a device or the
    // timer posts, so that the dialog thread drops what belongs to an earlier run.
    SoundHeader* currentHeader_ = nullptr;
    PlayRange* currentHeaderRange_ = nullptr;  // the range of the sound currentHeader_ describes
    std::array<zav::platform::WaveOutHandle, kKeyCount> waveOutHandles_{};
    zav::platform::WaveOutHandle currentWaveOut_;
    std::array<zav::platform::WaveInHandle, kKeyCount> waveInHandles_{};
    zav::platform::WaveInHandle currentWaveIn_;
    std::uint32_t run_ = 0;
    std::uint32_t previousPosition_ = 0;
    std::uint32_t devicePosition_ = 0;
    int tickLevel_ = 0;
    bool deviceClosed_ = true;  // no device of the current sound is open
    bool sliderShowsRecording_ = false;

    // The window while it exists: from OnCreate to OnDestroy.
    zav::platform::DialogView* view_ = nullptr;

    // Last: the timer stops first (progressTimerId), then what was posted dies, before
    // anything above goes.
    zav::platform::ScopedPoster poster_;
    ProgressTimer progress_;
};

}  // namespace keyvoice
