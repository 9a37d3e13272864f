#pragma once
// One open mixer handle on an ALSA mixer device, as MixerCore's session: its elements laid out
// as the host's model (alsa_mixer_layout.h), the control values read and written through the
// simple element calls, and the watch for changes made by any other program.
//
// Threads. The Mixer calls run on the dialog thread. A watcher thread (StoppableThread) waits on
// the mixer's poll descriptors; when they signal, it lets ALSA take in the events, re-reads
// every control's values (events do not reliably name what changed), and reports a control
// change (MixerChangeReport) for each control whose values differ from the last ones seen.
// Every snd_mixer_* call is made with the session's lock held; only poll() runs without it.
// A change made through the session itself is taken in at once and not reported (a sound
// server sends no event back to the program that made it; MixerCore announces the write), while
// the other sessions of the device report it when the server tells them.
//
// When the device goes away (the sound server stops) the watcher reports a line change for
// every line and ends; value calls then answer NoDriver, and closing still works.

#include <poll.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/alsa/alsa_error.h"
#include "platform/alsa/alsa_handles.h"
#include "platform/alsa/alsa_mixer_layout.h"
#include "platform/alsa/alsa_volume_scale.h"
#include "platform/alsa/wake_event.h"
#include "platform/mixer/mixer_core.h"
#include "platform/threads/stoppable_thread.h"

namespace zav::platform::alsa {

class AlsaMixerSession final : public MixerSession {
  public:
    // Opens the mixer device name ("default", "hw:0" ...) and reads its elements; cardName is
    // the name the device list read for it (each control device opened on a sound server is a
    // connection of its own, so it is not opened again for the name). With a report, starts
    // watching for changes. Thread: dialog.
    static MixerResult Open(const std::string& deviceName, std::string cardName,
                            MixerChangeReport report, std::unique_ptr<AlsaMixerSession>& session);
    // Stops watching and closes the device.
    ~AlsaMixerSession() override;
    AlsaMixerSession(const AlsaMixerSession&) = delete;
    AlsaMixerSession& operator=(const AlsaMixerSession&) = delete;

    // Thread: dialog, for all of these.
    const MixerModel& Model() const override { return layout_.model; }
    MixerResult Read(const ModelControl& at, std::vector<std::uint32_t>& values) override;
    MixerResult Write(const ModelControl& at, std::span<const std::uint32_t> values,
                      std::uint32_t channels) override;

  private:
    // One line with the element behind it.
    struct BoundLine {
        const ModelLine* line = nullptr;
        snd_mixer_elem_t* element = nullptr;  // null for a line without controls, or once removed
        ElementRange range;
        std::vector<snd_mixer_selem_channel_id_t> channels;  // the element's capture channels
    };

    AlsaMixerSession(MixerPtr mixer, CaptureLayout layout, MixerChangeReport report);
    void Bind(const std::vector<snd_mixer_elem_t*>& elements);
    const BoundLine* BoundOf(const ModelLine* line) const;

    // The control's value per element channel. mutex_ held.
    bool ReadLocked(const BoundLine& line, const MixerControl& control,
                    std::vector<std::uint32_t>& values) const;
    // Re-reads every control; gives the ids of those whose values changed. mutex_ held.
    std::vector<std::uint32_t> RefreshLocked();
    void Report(MixerChange change, std::uint32_t id) const;
    // The mixer's poll descriptors (mutex_ held); their number.
    std::size_t DescriptorsLocked(std::vector<pollfd>& fds) const;
    // After the first count of fds were polled: lets ALSA take in the events they signal.
    // False when the device has gone (then every line's change is reported). mutex_ held.
    bool HandleSignalledLocked(std::vector<pollfd>& fds, std::size_t count);
    // Takes in, without waiting, what changed since the last look and reports it; the value
    // calls start with it, so they never read values older than the server's. mutex_ held.
    void CatchUpLocked();
    void Watch();
    static int OnElementEvent(snd_mixer_elem_t* element, unsigned int mask);

    mutable std::mutex mutex_;
    MixerPtr mixer_;
    const CaptureLayout layout_;
    const MixerChangeReport report_;                                  // empty: no reports
    std::vector<BoundLine> lines_;                                    // in layout_'s order
    std::map<std::uint32_t, std::vector<std::uint32_t>> lastValues_;  // by control id
    bool lost_ = false;
    WakeEvent wake_;
    StoppableThread watcher_;  // last: stops and joins before the rest goes
};

}  // namespace zav::platform::alsa
