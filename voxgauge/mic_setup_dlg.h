#pragma once
// VoxGauge's one window: the microphone setup dialog. It runs the start-up checks while its
// window is being created (output device usable, capture opens while the output is held), then
// shows the voice's level on the gauge ten times a second, keeps the volume slider and the
// mixer's microphone volume in step, and on OK stores the mixer snapshot (MicEnv), telling
// the user when the store refuses it.
//
// The dialog owns the capture engine, the mixer access and the output-device hold. When the
// mixer has no microphone volume control the slider stays disabled at 0 and no mixer call is
// made for it.
//
// Thread: dialog, for every member; mixer notifications and returned capture buffers arrive
// through the dispatcher on that thread.

#include <cstdint>
#include <memory>

#include "platform/audio/audio_system.h"
#include "platform/mixer/mixer.h"
#include "platform/registry/registry.h"
#include "platform/ui/dialog_handler.h"
#include "platform/ui/dialog_runner.h"
#include "platform/ui/dispatcher.h"
#include "voxgauge/mic_capture.h"
#include "voxgauge/mic_mixer.h"
#include "voxgauge/resources.h"

namespace voxgauge {

// What the dialog works with; everything must outlive it.
struct MicSetupServices {
    zav::platform::AudioSystem& audio;
    zav::platform::Mixer& mixer;
    zav::platform::RegistryStore& store;
    zav::platform::Dispatcher& dispatcher;  // the dialog thread's
    zav::platform::DialogRunner& runner;    // for the About box
};

// The capture format of the full-duplex check: 22,050 Hz, 16 bits, 2 channels.
inline constexpr std::uint32_t kCaptureFormatCode = 22116;
// The level timer: id 100, every 100 ms.
inline constexpr std::uint32_t kLevelTimerId = 100;
inline constexpr std::uint32_t kLevelTimerPeriodMs = 100;
// The volume slider runs over the whole mixer range, with a tick every 7282.
inline constexpr int kVolumeMaximum = 65535;
inline constexpr int kVolumeTickStep = 7282;
inline constexpr int kVolumeTickCount = 10;

class CMicSetupDlg : public zav::platform::DialogHandler,
                     public zav::platform::MixerNotificationSink {
  public:
    explicit CMicSetupDlg(const MicSetupServices& services);
    ~CMicSetupDlg() override;
    CMicSetupDlg(const CMicSetupDlg&) = delete;
    CMicSetupDlg& operator=(const CMicSetupDlg&) = delete;

    // The template the dialog is run with (102).
    static const zav::platform::DialogTemplate& Template();

    // Window messages.
    int OnCreate(zav::platform::DialogView& view) override;
    bool OnInitDialog() override;
    bool OnSysCommand(std::uint32_t commandId) override;
    void OnTimer(std::uint32_t timerId) override;
    void OnHScroll(int controlId, zav::platform::ScrollCode code) override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;
    // MM_MIXM_LINE_CHANGE and MM_MIXM_CONTROL_CHANGE.
    void OnMixerChange(zav::platform::MixerChange change, zav::platform::MixerHandle mixer,
                       std::uint32_t id) override;
    // WM_MIC_BUFFER: hands the buffer back to the capture engine. Gives 0.
    std::int32_t OnMicBuffer(const MicBufferMessage& message);

    // 1 when the output device could be held (and it stays held), else 0 after message 102.
    int CheckDirectSound();
    // Releases the output-device hold, if one is held.
    void ReleaseDirectSound();

    // Inspection.
    bool HoldsOutputDevice() const { return outputHold_ != nullptr; }
    std::uint32_t TimerId() const { return timerId_; }
    std::int16_t GaugeValue() const { return gaugeValue_; }
    const CMicCapture& Capture() const { return capture_; }
    const CMicMixer& Mixer() const { return mixer_; }

  private:
    // UpdateData(FALSE): the gauge's value property gets the gauge value.
    void GaugeToControl();
    // UpdateData(TRUE): the gauge value is read back from the control.
    void GaugeFromControl();
    void ShowMessage(StringId text, std::string_view caption);
    void KillLevelTimer();
    void StopCapture();

    zav::platform::AudioSystem& audio_;
    zav::platform::Dispatcher& dispatcher_;
    zav::platform::DialogRunner& runner_;

    CMicMixer mixer_;
    std::int16_t gaugeValue_ = 0;
    std::uint32_t timerId_ = 0;
    CMicCapture capture_;
    std::unique_ptr<zav::platform::OutputDeviceHold> outputHold_;  // the stand-in for DirectSound
    const zav::platform::IconDrawing& icon_;

    // The window while it exists: from OnCreate to OnDestroy.
    zav::platform::DialogView* view_ = nullptr;
};

}  // namespace voxgauge
