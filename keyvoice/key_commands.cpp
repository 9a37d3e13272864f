// The recorder dialog's key commands: selecting a key, the key and transport buttons, Erase.

#include <string>

#include "keyvoice/key_voice_dlg.h"
#include "keyvoice/resources.h"

namespace keyvoice {

namespace {

using zav::platform::Access;
using zav::platform::DefaultButton;
using zav::platform::MessageAnswer;
using zav::platform::MessageButtons;
using zav::platform::MessageIcon;
using zav::platform::MessageStyle;
using zav::platform::RegistryKey;
using zav::platform::RegResult;

// The transport buttons in the order the sets list them.
struct TransportSet {
    bool play;
    bool rec;
    bool erase;
    bool stop;
};

void ShowTransport(zav::platform::DialogView& view, TransportSet set) {
    view.EnableControl(kIdcPlay, set.play);
    view.EnableControl(kIdcRec, set.rec);
    view.EnableControl(kIdcErase, set.erase);
    view.EnableControl(kIdcStop, set.stop);
}

}  // namespace

void CKeyVoiceDlg::SelectBuiltinKey(std::int32_t keyIndex, int builtinSlot) {
    if (keyIndex != slots_.currentKey)
        View().SetSliderPos(kIdcPosition, 0, true);
    HighlightCurrentKey(false);
    slots_.currentKey = keyIndex;
    HighlightCurrentKey(true);
    slots_.currentRange = &slots_.builtin[static_cast<std::size_t>(builtinSlot)].range;
    ShowTransportBuiltin();
    devices_.EnableRecordVolume();
}

void CKeyVoiceDlg::SelectRecordableKey(std::int32_t keyIndex, int recordableSlot) {
    if (keyIndex != slots_.currentKey)
        View().SetSliderPos(kIdcPosition, 0, true);
    HighlightCurrentKey(false);
    slots_.currentKey = keyIndex;
    HighlightCurrentKey(true);
    RecordableSlotState& slot = slots_.recordable[static_cast<std::size_t>(recordableSlot)];
    if (slot.newRecording || slot.StoredRecording()) {
        ShowTransportFilled();
    } else {
        ShowTransportEmpty();
    }
    // A new recording takes precedence over the stored one; an empty key points at its record
    // buffer, ready for REC.
    slots_.currentRange =
        slot.StoredRecording() && !slot.newRecording ? &slot.storedRange : &slot.recordRange;
    devices_.EnableRecordVolume();
}

void CKeyVoiceDlg::HighlightCurrentKey(bool on) {
    if (const std::optional<KeySlot> key = KeyByIndex(slots_.currentKey))
        View().SetButtonState(key->controlId, on);
}

void CKeyVoiceDlg::RefreshKeyButtons(bool enable) {
    for (int slot = 0; slot < kBuiltinSlotCount; ++slot) {
        View().EnableControl(
            BuiltinKey(slot).controlId,
            enable && slots_.builtin[static_cast<std::size_t>(slot)].BuiltinLoaded());
    }
    for (int slot = 0; slot < kRecordableSlotCount; ++slot)
        View().EnableControl(RecordableKey(slot).controlId, enable);
    View().EnableControl(zav::platform::kIdOk, enable);
    View().SetFocus(0);
    // The selected key's own command again, so that the transport buttons and currentRange
    // follow the slot's flags as they are now.
    if (const std::optional<KeySlot> key = KeyByIndex(slots_.currentKey)) {
        if (key->kind == SlotKind::Builtin) {
            SelectBuiltinKey(key->keyIndex, key->slot);
        } else {
            SelectRecordableKey(key->keyIndex, key->slot);
        }
    }
    View().SetFocus(kIdcPlay);
}

void CKeyVoiceDlg::ShowTransportOff() {
    ShowTransport(View(), {false, false, false, false});
}
void CKeyVoiceDlg::ShowTransportBuiltin() {
    ShowTransport(View(), {true, false, false, false});
}
void CKeyVoiceDlg::ShowTransportEmpty() {
    ShowTransport(View(), {false, true, false, false});
}
void CKeyVoiceDlg::ShowTransportFilled() {
    ShowTransport(View(), {true, true, true, false});
}
void CKeyVoiceDlg::ShowTransportBusy() {
    ShowTransport(View(), {false, false, false, true});
}

void CKeyVoiceDlg::OnErase() {
    // The string resource's %d stands for the key's digit.
    std::string question(LoadString(StringId::EraseQuestion));
    if (const std::size_t digit = question.find("%d"); digit != std::string::npos)
        question.replace(digit, 2, std::to_string(KeyDigit(slots_.currentKey)));
    const MessageStyle style{MessageButtons::OkCancel, MessageIcon::None, DefaultButton::Second};
    if (View().Messages().Show(question, kEraseCaption, style) != MessageAnswer::Ok)
        return;

    // The key is opened with full access, as the store's deletions need; without it nothing
    // changes, not even a new recording.
    RegistryKey key;
    if (config_.OpenKeyForDeleting(key) != RegResult::Success)
        return;
    const std::optional<std::string> folder = config_.ReadConfigValue(ConfigItem::ZavSysPath);
    if (!folder)
        return;

    if (const std::optional<KeySlot> selected = KeyByIndex(slots_.currentKey);
        selected && selected->kind == SlotKind::Recordable) {
        RecordableSlotState& slot = slots_.recordable[static_cast<std::size_t>(selected->slot)];
        slot.newRecording = false;
        if (slot.StoredRecording()) {
            // Whatever path the value named, the file deleted is the slot's own in the folder.
            key.Delete(KeyInfoValueName(selected->slot));
            files_.DeleteFile(*folder + std::string(RecordedFileName(selected->slot)));
            slot.stored.reset();
            slot.storedRange = {};
        }
    }
    key.Close();
    RefreshKeyButtons(true);
}

}  // namespace keyvoice
