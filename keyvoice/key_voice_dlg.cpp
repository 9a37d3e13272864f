// The recorder dialog's start-up checks, initialisation, dispatch and end. Key commands are in
// key_commands.cpp, the engines in playback.cpp, recording.cpp and engine.cpp.

#include "keyvoice/key_voice_dlg.h"

#include <cstdio>
#include <new>

#include "keysound/recording_store.h"
#include "keysound/wax_file.h"
#include "keyvoice/resources.h"
#include "platform/ui/plain_dialog.h"

namespace keyvoice {

namespace {

using zav::platform::MessageButtons;
using zav::platform::MessageIcon;
using zav::platform::MessageStyle;
using zav::platform::TimerResult;

// A window-menu command's own bits; the host keeps the low four for itself.
constexpr std::uint32_t kSysCommandMask = 0xFFF0;

Sound AllocateSound(const zav::platform::PcmWaveFormat& format) {
    return Sound(format, kRecordBufferBytes / sizeof(std::int16_t));
}

}  // namespace

CKeyVoiceDlg::CKeyVoiceDlg(const KeyVoiceServices& services)
    : audio_(services.audio),
      timer_(services.timer),
      files_(services.files),
      runner_(services.runner),
      allocateRecordBuffer_(services.allocateRecordBuffer ? services.allocateRecordBuffer
                                                          : RecordBufferAllocator(AllocateSound)),
      config_(services.store),
      devices_(services.audio.WaveIn(), services.audio.WaveOut(), services.mixer),
      meter_(services.dispatcher),
      poster_(services.dispatcher),
      progress_(services.timer, poster_) {}

CKeyVoiceDlg::~CKeyVoiceDlg() {
    AbortEngine();
    devices_.CloseMixer();
    if (resolutionRequested_)
        timer_.EndPeriod(kTimerResolutionMs);
    // The sounds go with slots_, each once: those released by a failed start-up or by Erase
    // are gone already.
}

const zav::platform::DialogTemplate& CKeyVoiceDlg::Template() {
    return KeyVoiceTemplate();
}

KeyState CKeyVoiceDlg::StateOfKey(std::int32_t keyIndex) const {
    if (keyIndex < 0 || keyIndex >= kKeyCount)
        return KeyState::Idle;
    return slots_.keyState[static_cast<std::size_t>(keyIndex)].load();
}

// ---- window creation: the start-up checks ----

int CKeyVoiceDlg::OnCreate(zav::platform::DialogView& view) {
    view_ = &view;
    devices_.AttachView(view);

    slots_.soundVariant = ReadSoundVariant(config_, files_);
    config_.SetSoundVariant(slots_.soundVariant);
    for (auto& state : slots_.keyState)
        state.store(KeyState::Idle);

    // Devices come before the installation: a machine without sound hears about that first.
    devices_.FindSoundDevice(DeviceKind::VolumeMixer);  // goes on without a mixer
    playDeviceId_ = devices_.FindSoundDevice(DeviceKind::PlayDevice);
    if (playDeviceId_ == kNoDevice)
        return -1;
    if (devices_.FindSoundDevice(DeviceKind::RecordDevice) == kNoDevice)
        return -1;

    if (!AllocateRecordBuffers())
        return -1;
    if (!LoadBuiltinSounds())
        return -1;
    // A store cut short by a crash is finished or undone before the recordings load.
    RecordingStore(config_, files_, View().Messages(), analysers_).CompleteInterruptedStores();
    LoadStoredRecordings();
    if (!RequestTimerResolution())
        return -1;
    return 0;
}

bool CKeyVoiceDlg::AllocateRecordBuffers() {
    for (int slot = 0; slot < kRecordableSlotCount; ++slot) {
        RecordableSlotState& state = slots_.recordable[static_cast<std::size_t>(slot)];
        try {
            state.record.emplace(allocateRecordBuffer_(kRecordingFormat));
        } catch (const std::bad_alloc&) {
            ShowError(StringId::NotEnoughMemory);
            // This slot's blocks and the earlier slots' go now, and never again.
            for (RecordableSlotState& earlier : slots_.recordable) {
                earlier.record.reset();
                earlier.recordRange = {};
            }
            return false;
        }
        state.recordRange = WholeRange(*state.record);
    }
    return true;
}

bool CKeyVoiceDlg::LoadBuiltinSounds() {
    // Keys 1, 2, 3, 4, 5, then W; the first that fails ends the start-up.
    for (int slot = 0; slot < kBuiltinSlotCount; ++slot) {
        const KeySlot& key = BuiltinKey(slot);
        const std::optional<std::string> path = config_.ReadConfigValue(key.item);
        if (!path) {
            // The host's message, which also stands for a store that could not be read (busy,
            // damaged, refused): the terminal gets the real reason.
            if (!config_.StoreFailure().empty()) {
                std::fprintf(stderr, "keyvoice: cannot read the settings store: %s\n",
                             config_.StoreFailure().c_str());
            }
            ShowError(StringId::NotInstalled);
            return false;
        }
        LoadResult loaded = LoadSoundFile(files_, *path);
        if (loaded.status != LoadStatus::Loaded) {
            if (loaded.status == LoadStatus::OutOfMemory)
                ShowError(StringId::NotEnoughMemory);
            ShowError(StringId::InsertCd);
            return false;
        }
        BuiltinSlotState& state = slots_.builtin[static_cast<std::size_t>(slot)];
        state.sound = std::move(loaded.sound);
        state.range = WholeRange(*state.sound);
    }
    return true;
}

void CKeyVoiceDlg::LoadStoredRecordings() {
    // Keys 6, 7, 8, 9, 0; a key whose recording cannot be found or loaded starts empty.
    for (int slot = 0; slot < kRecordableSlotCount; ++slot) {
        const std::optional<std::string> path = config_.ReadConfigValue(RecordableKey(slot).item);
        if (!path)
            continue;
        LoadResult loaded = LoadSoundFile(files_, *path);
        if (loaded.status == LoadStatus::OutOfMemory)
            ShowError(StringId::NotEnoughMemory);
        if (loaded.status != LoadStatus::Loaded)
            continue;
        RecordableSlotState& state = slots_.recordable[static_cast<std::size_t>(slot)];
        state.stored = std::move(loaded.sound);
        state.storedRange = WholeRange(*state.stored);
    }
}

bool CKeyVoiceDlg::RequestTimerResolution() {
    timerCaps_ = {};
    timer_.GetDevCaps(timerCaps_);
    if (timerCaps_.periodMin > kTimerResolutionMs) {
        ShowError(StringId::TimerError);
        return false;
    }
    // A refused request ends the start-up without a word, as the host's recorder does.
    resolutionRequested_ = timer_.BeginPeriod(kTimerResolutionMs) == TimerResult::NoError;
    return resolutionRequested_;
}

// ---- dialog initialisation ----

bool CKeyVoiceDlg::OnInitDialog() {
    const std::string_view aboutItem = LoadString(StringId::AboutMenuItem);
    if (!aboutItem.empty())
        View().AddSystemMenuItem(kIdmAboutBox, aboutItem);
    View().SetIcon(MainFrameIcon());

    slots_.currentKey = kNoKey;
    RefreshKeyButtons(true);
    ShowTransportOff();
    devices_.InitRecordVolumeSlider();
    meter_.CreateMeter(View(), kIdcMeterFrame);
    // The pictures of PLAY, STOP and REC come with the template.
    View().SetToolTip(kIdcPlay, LoadString(StringId::Play));
    View().SetToolTip(kIdcStop, LoadString(StringId::Stop));
    View().SetToolTip(kIdcRec, LoadString(StringId::Rec));
    return true;
}

// ---- dispatch ----

void CKeyVoiceDlg::OnCommand(int controlId) {
    switch (controlId) {
        case kIdcPlay:
            OnPlay();
            return;
        case kIdcStop:
            OnStop();
            return;
        case kIdcRec:
            OnRec();
            return;
        case kIdcErase:
            OnErase();
            return;
        default:
            break;
    }
    for (const KeySlot& key : kKeySlots) {
        if (key.controlId != controlId)
            continue;
        if (key.kind == SlotKind::Builtin) {
            SelectBuiltinKey(key.keyIndex, key.slot);
        } else {
            SelectRecordableKey(key.keyIndex, key.slot);
        }
        return;
    }
}

void CKeyVoiceDlg::OnVScroll(int, zav::platform::ScrollCode) {
    // The record-volume slider is the dialog's only vertical one.
    devices_.OnVScroll();
}

bool CKeyVoiceDlg::OnSysCommand(std::uint32_t commandId) {
    if ((commandId & kSysCommandMask) != kIdmAboutBox)
        return false;
    zav::platform::PlainDialog about;
    runner_.RunModal(AboutBoxTemplate(), about);
    return true;
}

void CKeyVoiceDlg::OnOK() {
    if (!config_.ReadConfigValue(ConfigItem::ZavSysPath)) {
        bool anyNew = false;
        for (const RecordableSlotState& state : slots_.recordable)
            anyNew = anyNew || state.newRecording;
        // The store says nothing to the user here, as the host's recorder; a line on the
        // terminal at least names what is missing.
        if (anyNew) {
            std::fprintf(stderr,
                         "keyvoice: ZavSysPath is not set in the store; the new recordings are "
                         "not stored\n");
        }
    }
    RecordingStore store(config_, files_, View().Messages(), analysers_);
    store.StoreNewRecordings(slots_.recordable);
    View().EndDialog(zav::platform::kIdOk);
}

void CKeyVoiceDlg::OnCancel() {
    // A sound that plays or records stops first; new recordings are dropped.
    AbortEngine();
    View().EndDialog(zav::platform::kIdCancel);
}

void CKeyVoiceDlg::OnDestroy() {
    AbortEngine();
    meter_.DestroyMeter();
    view_ = nullptr;
}

void CKeyVoiceDlg::ShowError(StringId text) {
    ShowMessage(text, kErrorCaption, MessageIcon::Error);
}

void CKeyVoiceDlg::ShowMessage(StringId text, std::string_view caption, MessageIcon icon) {
    View().Messages().Show(LoadString(text), caption, MessageStyle{MessageButtons::Ok, icon});
}

}  // namespace keyvoice
