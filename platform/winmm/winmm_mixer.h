#pragma once
// The host's mixer on the WinMM mixer calls, one for one, with the host's own numbers for
// devices, lines, controls and results (winmm_mixer_records.h translates the records).
//
// Handles and notices follow MixerHandles (mixer_handles.h): handles are the backend's own and
// never reused, so a closed handle is recognised even when the system hands out its HMIXER
// again. A handle opened with a sink sends the system's change notices to a message-only window
// on a thread of its own (winmm_notice_window.h); the sink is called on the dialog thread, and
// only while its handle is open. A change made through SetControlDetails is announced by the
// backend itself to every open handle of that device, since not every system sends a notice
// for it (Wine sends none); where the system does, its notice is merged with the announcement,
// so the sink hears each change once.
//
// Value queries start from a zeroed buffer, so a control that the system answers without
// writing a value (Wine does so for its source lines) reads 0, never stale memory.
//
// Thread: every Mixer call on the dialog thread, as mixer.h says; the dispatcher given here
// must outlive the mixer.

#include <windows.h>

#include <mmsystem.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "platform/mixer/mixer.h"
#include "platform/mixer/mixer_handles.h"
#include "platform/ui/dispatcher.h"
#include "platform/winmm/winmm_notice_window.h"

namespace zav::platform::winmm {

class WinmmMixer final : public Mixer {
  public:
    explicit WinmmMixer(Dispatcher& dispatcher);
    // Closes the handles still open.
    ~WinmmMixer() override;
    WinmmMixer(const WinmmMixer&) = delete;
    WinmmMixer& operator=(const WinmmMixer&) = delete;

    std::uint32_t GetNumDevs() override;
    // The mixer of wave-input device waveInId; for kWaveMapper, of the device the mapper
    // prefers (the system's default device, number 0, when it names none).
    MixerResult GetIdOfWaveIn(std::uint32_t waveInId, std::uint32_t& mixerId) override;
    MixerResult GetDevCaps(std::uint32_t deviceId, MixerCaps& caps) override;
    MixerResult GetDevCaps(MixerHandle mixer, MixerCaps& caps) override;
    // NoMemory when a sink is given and the notice window could not be made.
    MixerResult Open(std::uint32_t deviceId, MixerNotificationSink* sink,
                     MixerHandle& handle) override;
    MixerResult Close(MixerHandle mixer) override;
    MixerResult GetLineInfo(MixerHandle mixer, LineInfoQuery query, MixerLine& line) override;
    // InvalidParam for an empty record list, or more than one record for a single control.
    MixerResult GetLineControls(MixerHandle mixer, LineControlsQuery query,
                                MixerLineControls& request) override;
    // NotSupported for ListText (the seam's buffer holds numbers only).
    MixerResult GetControlDetails(MixerHandle mixer, ControlDetailsQuery query,
                                  MixerControlDetails& details) override;
    MixerResult SetControlDetails(MixerHandle mixer, ControlDetailsSet how,
                                  const MixerControlDetails& details) override;

  private:
    // The system's handle behind mixer, or null when it is not open. Dialog thread.
    HMIXER HostOf(MixerHandle mixer);
    // A notice from the system. Window thread.
    void OnSystemNotice(MixerChange change, HMIXER host, DWORD id);

    std::mutex mutex_;  // hosts_: written on the dialog thread, read on the window thread
    std::map<std::uintptr_t, HMIXER> hosts_;  // by open handle
    MixerHandles handles_;
    std::unique_ptr<NoticeWindow> window_;  // made at the first Open with a sink; goes first
};

}  // namespace zav::platform::winmm
