#include "voxgauge/mic_setup_dlg.h"

#include <cstdio>
#include <string>

#include "platform/ui/plain_dialog.h"

namespace voxgauge {

namespace {

using zav::platform::CooperativeLevel;
using zav::platform::MessageButtons;
using zav::platform::MessageIcon;
using zav::platform::MessageStyle;
using zav::platform::MmResult;

// MB_ICONEXCLAMATION with an OK button.
constexpr MessageStyle kWarningStyle{MessageButtons::Ok, MessageIcon::Exclamation};
// The box of VoxGauge's own that says the snapshot was not stored: MB_ICONERROR, as the
// programs' other error boxes.
constexpr MessageStyle kErrorStyle{MessageButtons::Ok, MessageIcon::Error};
constexpr std::string_view kSaveErrorCaption = "Error";

// A window-menu command's own bits; the host keeps the low four for itself.
constexpr std::uint32_t kSysCommandMask = 0xFFF0;

}  // namespace

CMicSetupDlg::CMicSetupDlg(const MicSetupServices& services)
    : audio_(services.audio),
      dispatcher_(services.dispatcher),
      runner_(services.runner),
      mixer_(services.mixer, services.store),
      capture_(services.audio.WaveIn(), services.store),
      icon_(MainFrameIcon()) {}

CMicSetupDlg::~CMicSetupDlg() = default;

const zav::platform::DialogTemplate& CMicSetupDlg::Template() {
    return MicSetupTemplate();
}

int CMicSetupDlg::CheckDirectSound() {
    std::unique_ptr<zav::platform::OutputDeviceHold> hold;
    if (audio_.CreateOutputHold(hold) == MmResult::NoError && hold != nullptr &&
        hold->SetCooperativeLevel(CooperativeLevel::Normal) == MmResult::NoError) {
        outputHold_ = std::move(hold);
        return 1;
    }
    outputHold_ = std::move(hold);  // released below, after the message
    ShowMessage(StringId::NoDirectSound, kMicTestErrorCaption);
    ReleaseDirectSound();
    return 0;
}

void CMicSetupDlg::ReleaseDirectSound() {
    outputHold_.reset();
}

int CMicSetupDlg::OnCreate(zav::platform::DialogView& view) {
    view_ = &view;
    outputHold_.reset();
    timerId_ = 0;

    if (CheckDirectSound() == 0)
        return -1;

    capture_.SetNotifyWindow(
        {&dispatcher_, [this](const MicBufferMessage& message) { OnMicBuffer(message); }});
    // The output device is still held here: this open is the full-duplex check.
    if (capture_.Open(kCaptureFormatCode) != MmResult::NoError) {
        ShowMessage(StringId::NoFullDuplex, kMicCheckCaption);
        ReleaseDirectSound();
        return -1;
    }
    capture_.ResetMicMap();
    capture_.Start();  // on failure the dialog runs and the gauge stays at 0
    return 0;
}

bool CMicSetupDlg::OnInitDialog() {
    GaugeToControl();

    const std::string_view aboutItem = LoadString(StringId::AboutMenuItem);
    if (!aboutItem.empty())
        view_->AddSystemMenuItem(kIdmAboutBox, aboutItem);
    view_->SetIcon(icon_);

    mixer_.MixerInit(this);
    mixer_.GetMicConf();
    mixer_.ChangeEnv(mixer_.Handle(), mixer_.ControlId());

    view_->SetSliderRange(kIdcMicVolume, 0, kVolumeMaximum, true);
    if (mixer_.HasVolumeControl()) {
        view_->SetSliderPos(kIdcMicVolume, static_cast<int>(mixer_.Volume()), true);
    } else {
        // Nothing to set: the slider rests at 0 and cannot be moved.
        view_->SetSliderPos(kIdcMicVolume, 0, true);
        view_->EnableControl(kIdcMicVolume, false);
    }
    // The last tick (65538) lies above the range; the trackbar refuses it, as on the host.
    for (int k = 0; k < kVolumeTickCount; ++k)
        view_->SetSliderTic(kIdcMicVolume, k * kVolumeTickStep);

    timerId_ = kLevelTimerId;
    view_->Timers().SetTimer(kLevelTimerId, kLevelTimerPeriodMs);
    return true;
}

bool CMicSetupDlg::OnSysCommand(std::uint32_t commandId) {
    if ((commandId & kSysCommandMask) != kIdmAboutBox)
        return false;
    zav::platform::PlainDialog about;
    runner_.RunModal(AboutBoxTemplate(), about);
    return true;
}

void CMicSetupDlg::OnTimer(std::uint32_t timerId) {
    if (timerId != timerId_ || timerId_ == 0)
        return;
    const auto level = static_cast<std::int16_t>(capture_.GetLevel());
    if (level == gaugeValue_)
        return;
    gaugeValue_ = level;
    GaugeToControl();
}

void CMicSetupDlg::OnHScroll(int, zav::platform::ScrollCode) {
    if (view_ == nullptr || !mixer_.HasVolumeControl())
        return;
    const int position = view_->GetSliderPos(kIdcMicVolume);
    mixer_.ChangeEnv(static_cast<std::uint32_t>(position));
}

void CMicSetupDlg::OnMixerChange(zav::platform::MixerChange, zav::platform::MixerHandle mixer,
                                 std::uint32_t id) {
    mixer_.ChangeEnv(mixer, id);
    // A notification that arrives after the window has gone has nothing left to move.
    if (view_ == nullptr)
        return;
    const int volume = mixer_.HasVolumeControl() ? static_cast<int>(mixer_.Volume()) : 0;
    view_->SetSliderPos(kIdcMicVolume, volume, true);
}

std::int32_t CMicSetupDlg::OnMicBuffer(const MicBufferMessage& message) {
    return capture_.OnBufferReturned(message);
}

void CMicSetupDlg::OnOK() {
    const MicEnvSave saved = mixer_.SaveMicEnv();
    StopCapture();
    ReleaseDirectSound();
    KillLevelTimer();
    GaugeFromControl();
    // The mixer's own failures stay silent; a store that refused the snapshot is told, as the
    // settings would otherwise be lost without a word. The dialog closes as OK does all the same.
    if (saved == MicEnvSave::KeyUnavailable || saved == MicEnvSave::WriteFailed) {
        const std::string text =
            "The microphone settings could not be saved: " + mixer_.SaveFailure() + ".";
        std::fprintf(stderr, "voxgauge: %s\n", text.c_str());
        view_->Messages().Show(text, kSaveErrorCaption, kErrorStyle);
    }
    view_->EndDialog(zav::platform::kIdOk);
}

void CMicSetupDlg::OnCancel() {
    // No snapshot: the mixer settings are left as they are, and MicEnv is not written.
    view_->EndDialog(zav::platform::kIdCancel);
}

void CMicSetupDlg::OnDestroy() {
    // After OK these find everything released already.
    StopCapture();
    ReleaseDirectSound();
    KillLevelTimer();
    view_ = nullptr;
}

void CMicSetupDlg::StopCapture() {
    capture_.Stop();
    capture_.Close();
}

void CMicSetupDlg::KillLevelTimer() {
    if (timerId_ != kLevelTimerId)
        return;
    if (view_ != nullptr)
        view_->Timers().KillTimer(kLevelTimerId);
    timerId_ = 0;
}

void CMicSetupDlg::GaugeToControl() {
    if (view_ != nullptr)
        view_->SetControlValue(kIdcLevelGauge, gaugeValue_);
}

void CMicSetupDlg::GaugeFromControl() {
    if (view_ != nullptr) {
        gaugeValue_ = static_cast<std::int16_t>(view_->GetControlValue(kIdcLevelGauge));
    }
}

void CMicSetupDlg::ShowMessage(StringId text, std::string_view caption) {
    view_->Messages().Show(LoadString(text), caption, kWarningStyle);
}

}  // namespace voxgauge
