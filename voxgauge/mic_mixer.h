#pragma once
// VoxGauge's access to the sound card's mixer: finds the microphone volume control on the
// recording side of the first mixer device, reads and sets that volume for the dialog's slider,
// follows the mixer's change notifications, and stores the MicEnv snapshot of every recording
// and microphone control value on OK.
//
// Mixer failures are never shown: each failing call makes the operation give up (the search
// for the microphone) or skip what failed and go on (the snapshot). When no volume control was
// found, the volume operations make no mixer call at all and HasVolumeControl() says so, so the
// dialog can disable its slider.
//
// Thread: dialog, for every member. Notifications reach it through the dialog, which passes
// them to the notification form of ChangeEnv.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/mixer/mixer.h"
#include "platform/registry/registry.h"
#include "voxgauge/mic_env_list.h"

namespace voxgauge {

// How MixerLineControl treats the controls it visits; reading into the snapshot is the only mode.
enum class MixerConfigMode : int { Read = 0 };

// What SaveMicEnv did. The dialog tells the user when the store refused the snapshot
// (KeyUnavailable, WriteFailed); the mixer's own failures stay silent.
enum class MicEnvSave {
    Written,         // MicEnv holds the snapshot
    NoMixer,         // no mixer open: nothing read, nothing written
    SnapshotFailed,  // the device's capabilities could not be read
    NothingToSave,   // no control was read: no value written, no key created
    KeyUnavailable,  // the key could neither be opened nor created
    WriteFailed,     // the store refused the value
};

class CMicMixer {
  public:
    // Device-reported counts size the buffers below; counts beyond any real mixer are treated
    // as running out of memory instead of being trusted.
    static constexpr std::uint32_t kMaxLineControls = 4096;
    static constexpr std::uint64_t kMaxDetailValues = 65536;

    // callbackWindow receives the mixer's notifications once MixerInit opened it (VoxGauge
    // passes none here and gives its dialog to MixerInit).
    CMicMixer(zav::platform::Mixer& mixer, zav::platform::RegistryStore& store,
              zav::platform::MixerNotificationSink* callbackWindow = nullptr);
    // Closes the mixer (MixerAppEnd).
    virtual ~CMicMixer();
    CMicMixer(const CMicMixer&) = delete;
    CMicMixer& operator=(const CMicMixer&) = delete;

    // Opens mixer device 0 unless one is open. 1 when a mixer is open afterwards, else 0.
    int MixerInit(zav::platform::MixerNotificationSink* callbackWindow);
    // Opens deviceId and closes oldHandle; returns the new handle, or oldHandle (still open)
    // when the new device cannot be read or opened.
    zav::platform::MixerHandle MixerNewDevice(zav::platform::MixerHandle oldHandle,
                                              std::uint32_t deviceId);
    // Closes the mixer if one is open; the handle is null afterwards even when closing failed.
    void MixerAppEnd();

    // Finds the first microphone source of a recording destination and its first volume
    // control. 1 when found; 0 otherwise, and then the fields keep their previous contents.
    int GetMicConf();

    // Notification form: re-reads the volume when id is the microphone line or its volume
    // control; any other id changes nothing. The handle is not used. Returns 0.
    int ChangeEnv(zav::platform::MixerHandle mixer, std::uint32_t id);
    // Value form: writes newVolume (the slider position, 0 to 65535) unchanged to every channel
    // of the volume control and keeps it as the volume. Returns 0.
    int ChangeEnv(std::uint32_t newVolume);

    // Reads the snapshot and writes it to MicEnv (see MicEnvSave).
    MicEnvSave SaveMicEnv();
    // Why the latest SaveMicEnv could not store the snapshot (KeyUnavailable, WriteFailed): the
    // store's result and its own text. Empty otherwise.
    const std::string& SaveFailure() const { return saveFailure_; }

    // Adds to list the controls of every recording destination line and of every microphone
    // source under every destination, in destination order, a destination's own controls
    // before its sources'. 1, or 0 when the device's capabilities cannot be read.
    int MixerLineControl(MixerConfigMode mode, MicEnvList& list);
    // Adds the values of every control of line. 1, or 0 when the line has no controls, they
    // cannot be read, or memory runs out.
    int MixerControlConfig(const zav::platform::MixerLine& line, MixerConfigMode mode,
                           MicEnvList& list);
    // Adds one block holding the values of control. 1, or 0 on failure (nothing added).
    int MixerGetControlConfig(const zav::platform::MixerLine& line,
                              const zav::platform::MixerControl& control, MicEnvList& list);

    bool HasVolumeControl() const { return hasVolumeControl_; }
    std::uint32_t Volume() const { return volume_; }
    std::uint32_t ControlId() const { return controlId_; }
    std::uint32_t LineId() const { return lineId_; }
    std::uint32_t Items() const { return items_; }
    std::uint32_t Channels() const { return channels_; }
    zav::platform::MixerHandle Handle() const { return handle_; }

  private:
    // Reads all controls of line into controls; false on any failure.
    bool ReadLineControls(const zav::platform::MixerLine& line,
                          std::vector<zav::platform::MixerControl>& controls);
    // Reads the volume control with one channel into values; false on failure.
    bool ReadVolume(std::vector<std::uint32_t>& values,
                    zav::platform::MixerControlDetails& details);
    MicEnvSave WriteMicEnv(const MicEnvList& list);

    zav::platform::Mixer& mixer_;
    zav::platform::RegistryStore& store_;

    std::uint32_t volume_ = 0;
    std::uint32_t controlId_ = 0;
    std::uint32_t lineId_ = 0;
    std::uint32_t items_ = 0;
    std::uint32_t channels_ = 0;
    zav::platform::MixerHandle handle_ = zav::platform::kNullMixer;
    zav::platform::MixerNotificationSink* callbackWindow_ = nullptr;
    // The fields above name a usable control of the open mixer.
    bool hasVolumeControl_ = false;
    std::string saveFailure_;
};

}  // namespace voxgauge
