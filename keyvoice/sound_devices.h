#pragma once
// KeyVoice's sound devices: the checks at start-up for a wave output device, a wave input device
// and a mixer that can set the microphone's recording volume, and the record-volume slider that
// drives that volume for the dialog's whole life.
//
// The recorder dialog owns one CSoundDevices. Its OnCreate hands over the view (AttachView) and
// then runs the searches; the usable mixer, if any, stays open until this object goes away, with
// this object as the target of its change notifications. Without a usable mixer every volume
// operation leaves the mixer alone and the slider is disabled.
//
// Thread: dialog, for every member; the mixer's notifications arrive there too.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "keysound/string_table.h"
#include "platform/audio/wave_in.h"
#include "platform/audio/wave_out.h"
#include "platform/mixer/mixer.h"
#include "platform/ui/dialog_view.h"
#include "platform/ui/message_box.h"

namespace keyvoice {

enum class DeviceKind : int {
    PlayDevice = 1,    // wave output
    RecordDevice = 2,  // wave input
    VolumeMixer = 3,
};

// What ProbeDevice found; the numbers are those the recorder has always used.
enum class ProbeResult : int {
    UnknownKind = -1,
    Usable = 0,
    RecordFormatMissing = 1,  // wave input without 22.05 kHz mono 16-bit
    PlayFormatMissing = 2,    // wave output without 22.05 kHz mono 16-bit
    NoMixerVolume = 3,        // no microphone volume control on the open mixer
};

enum class MixerOpenResult : int { Opened = 0, Failed = -1 };

// FindSoundDevice's answer and mixerDevice() when nothing usable was found.
inline constexpr std::int32_t kNoDevice = -1;
// The loudest volume; the slider's range is 0 to this, with the loudest setting at the top.
inline constexpr std::uint32_t kMaxRecordVolume = 65535;

class CSoundDevices final : public zav::platform::MixerNotificationSink {
  public:
    // Device-reported counts size temporary buffers; counts beyond any real mixer make the
    // mixer unusable instead of being trusted.
    static constexpr std::uint32_t kMaxLineControls = 4096;
    static constexpr std::uint64_t kMaxVolumeValues = 65536;

    CSoundDevices(zav::platform::WaveInApi& waveIn, zav::platform::WaveOutApi& waveOut,
                  zav::platform::Mixer& mixer);
    // Closes the mixer, so no notification reaches this object afterwards.
    ~CSoundDevices() override;
    CSoundDevices(const CSoundDevices&) = delete;
    CSoundDevices& operator=(const CSoundDevices&) = delete;

    // The dialog's view: its message boxes and the record-volume slider. Must come before any
    // other call; the view must outlive this object's use of it. Thread: dialog.
    void AttachView(zav::platform::DialogView& view);

    // The usable device of kind, tried from the highest number down (for VolumeMixer the
    // mixer of the wave mapper's input first, when the backend names one). kNoDevice when none
    // is usable, after the kind's message; an unknown kind gives kNoDevice silently. The mixer
    // search keeps its answer in mixerDevice() and leaves a usable mixer open; a mixer that
    // cannot be opened shows an error and the search goes on. Thread: dialog.
    std::int32_t FindSoundDevice(DeviceKind kind);

    // Whether device deviceId of kind handles 22.05 kHz mono 16-bit (wave devices), or whether
    // the open mixer has a volume control on its first recording microphone (VolumeMixer, which
    // ignores deviceId and on success fills micLineId() ... volumeItems()). Thread: dialog.
    ProbeResult ProbeDevice(DeviceKind kind, std::uint32_t deviceId);

    // Opens mixer mixerId() with this object as notification target, unless one is open.
    // Failed after an error box. Thread: dialog.
    MixerOpenResult OpenMixer();
    // Closes the mixer if one is open. Thread: dialog.
    void CloseMixer();

    // Enables the record-volume slider exactly while a mixer is open. Thread: dialog.
    void EnableRecordVolume();
    // Starts the slider from the mixer's volume (the loudest without a mixer): range, thumb,
    // tick marks, and disabled when there is no mixer. Thread: dialog.
    void InitRecordVolumeSlider();
    // The user moved the slider: its position becomes the microphone's volume. Makes no mixer
    // call without an open mixer. Thread: dialog.
    void OnVScroll();

    // A change of the microphone line or its volume control moves the slider to the mixer's
    // volume; other ids are ignored. Called on: the dialog thread.
    void OnMixerChange(zav::platform::MixerChange change, zav::platform::MixerHandle mixer,
                       std::uint32_t id) override;

    // The state the dialog reads. Thread: dialog.
    zav::platform::MixerHandle MixerHandle() const { return mixerHandle_; }
    bool MixerIsOpen() const { return mixerIsOpen_; }
    std::uint32_t MixerId() const { return mixerId_; }
    std::uint32_t VolumeControlId() const { return volumeControlId_; }
    std::uint32_t MicLineId() const { return micLineId_; }
    std::uint32_t VolumeChannels() const { return volumeChannels_; }
    std::uint32_t VolumeItems() const { return volumeItems_; }
    std::int32_t MixerDevice() const { return mixerDevice_; }
    std::uint32_t RecordVolume() const { return recordVolume_; }

  private:
    std::int32_t FindWaveDevice(DeviceKind kind, std::uint32_t count, StringId notFound);
    std::int32_t FindVolumeMixer();
    // The mixers in the order they are tried.
    std::vector<std::uint32_t> MixerSearchOrder(std::uint32_t count);
    ProbeResult ProbeVolumeMixer();
    ProbeResult ProbeMicrophone(const zav::platform::MixerLine& micLine);

    // The volume control's values, read from the open mixer; a failed read leaves the first
    // value at recordVolume_. The buffer holds at least one value whatever the counts say.
    std::vector<std::uint32_t> ReadVolumeValues();
    zav::platform::MixerControlDetails VolumeRequest(std::span<std::uint32_t> values) const;
    void ShowVolumeOnSlider();

    void ShowMessage(StringId text, std::string_view caption, zav::platform::MessageIcon icon);
    zav::platform::DialogView& View();

    zav::platform::WaveInApi& waveIn_;
    zav::platform::WaveOutApi& waveOut_;
    zav::platform::Mixer& mixer_;
    zav::platform::DialogView* view_ = nullptr;

    zav::platform::MixerHandle mixerHandle_ = zav::platform::kNullMixer;
    bool mixerIsOpen_ = false;
    std::uint32_t mixerId_ = 0;
    std::uint32_t volumeControlId_ = 0;
    std::uint32_t micLineId_ = 0;
    std::uint32_t volumeChannels_ = 0;
    std::uint32_t volumeItems_ = 0;
    std::int32_t mixerDevice_ = kNoDevice;
    std::uint32_t recordVolume_ = kMaxRecordVolume;
};

}  // namespace keyvoice
