#pragma once
// One open mixer handle on an ALSA mixer device: its elements laid out as the host's lines and
// controls (alsa_mixer_layout.h), the control values read and written through the simple
// element calls, and the watch for changes made by any other program.
//
// Threads. The Mixer calls run on the dialog thread. A watcher thread (std::jthread) waits on
// the mixer's poll descriptors; when they signal, it lets ALSA take in the events, re-reads
// every control's values (events do not reliably name what changed), and posts a control
// change through the Dispatcher for each control whose values differ from the last ones seen.
// The posted task calls the sink on the dialog thread, and only while the handle is still open.
// Every snd_mixer_* call is made with the session's lock held; only poll() runs without it.
// A change made through the handle itself is announced by the handle at once, since a sound
// server sends no event back to the program that made it.
//
// When the device goes away (the sound server stops) the watcher posts a line change for every
// line and ends; value calls then answer NoDriver, and closing still works.

#include <poll.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/alsa/alsa_error.h"
#include "platform/alsa/alsa_handles.h"
#include "platform/alsa/alsa_mixer_layout.h"
#include "platform/alsa/alsa_volume_scale.h"
#include "platform/alsa/wake_event.h"
#include "platform/mixer/mixer.h"
#include "platform/ui/dispatcher.h"
#include "platform/ui/scoped_poster.h"

namespace zav::platform::alsa {

class AlsaMixerSession {
  public:
    // Opens the mixer device name ("default", "hw:0" ...) and reads its elements. With a sink,
    // starts watching for changes. Thread: dialog.
    static MixerResult Open(const std::string& deviceName, MixerHandle handle,
                            MixerNotificationSink* sink, Dispatcher& dispatcher,
                            std::unique_ptr<AlsaMixerSession>& session);
    // Stops watching and closes the device; notices still queued are dropped.
    ~AlsaMixerSession();
    AlsaMixerSession(const AlsaMixerSession&) = delete;
    AlsaMixerSession& operator=(const AlsaMixerSession&) = delete;

    // Thread: dialog, for all of these.
    MixerResult Caps(MixerCaps& caps) const;
    MixerResult LineInfo(LineInfoQuery query, MixerLine& line) const;
    MixerResult LineControls(LineControlsQuery query, MixerLineControls& request) const;
    MixerResult Details(ControlDetailsQuery query, MixerControlDetails& details);
    MixerResult SetDetails(ControlDetailsSet how, const MixerControlDetails& details);

  private:
    // One line with the element behind it.
    struct BoundLine {
        LinePlan plan;
        snd_mixer_elem_t* element = nullptr;  // null for a line without controls, or once removed
        ElementRange range;
        std::vector<snd_mixer_selem_channel_id_t> channels;  // the element's capture channels
    };
    struct ControlRef {
        const BoundLine* line = nullptr;
        const ControlPlan* control = nullptr;
    };

    AlsaMixerSession(MixerPtr mixer, std::string cardName, MixerNotificationSink* sink,
                     MixerHandle handle, Dispatcher& dispatcher);
    void Bind(const std::vector<snd_mixer_elem_t*>& elements, const MixerLayout& layout);
    const BoundLine* FindLine(std::uint32_t lineId) const;
    std::optional<ControlRef> FindControl(std::uint32_t controlId) const;
    static void FillLine(const BoundLine& line, std::uint32_t source, std::uint32_t connections,
                         MixerLine& out);
    static void FillControl(const ControlPlan& control, MixerControl& out);
    static MixerResult CheckShape(const ControlRef& ref, const MixerControlDetails& details);
    // Finds the control that details names (in found) and checks details against it.
    MixerResult FindShaped(const MixerControlDetails& details,
                           std::optional<ControlRef>& found) const;

    // The control's value per element channel. mutex_ held.
    bool ReadLocked(const ControlRef& ref, std::vector<std::uint32_t>& values) const;
    // Re-reads every control; gives the ids of those whose values changed. mutex_ held.
    std::vector<std::uint32_t> RefreshLocked();
    void Post(MixerChange change, std::uint32_t id);
    // The mixer's poll descriptors (mutex_ held); their number.
    std::size_t DescriptorsLocked(std::vector<pollfd>& fds) const;
    // After the first count of fds were polled: lets ALSA take in the events they signal.
    // False when the device has gone (then every line's change is announced). mutex_ held.
    bool HandleSignalledLocked(std::vector<pollfd>& fds, std::size_t count);
    // Takes in, without waiting, what changed since the last look and announces it; the value
    // calls start with it, so they never read values older than the server's. mutex_ held.
    void CatchUpLocked();
    void Watch(std::stop_token stop);
    static int OnElementEvent(snd_mixer_elem_t* element, unsigned int mask);

    mutable std::mutex mutex_;
    MixerPtr mixer_;
    const std::string cardName_;
    MixerNotificationSink* const sink_;  // none: no notices
    const MixerHandle handle_;
    ScopedPoster notices_;          // notices still queued when the session goes are dropped
    std::vector<BoundLine> lines_;  // the destination first, then the sources in order
    std::map<std::uint32_t, std::vector<std::uint32_t>> lastValues_;  // by control id
    bool lost_ = false;
    WakeEvent wake_;
    std::jthread watcher_;  // last: stops and joins before the rest goes
};

}  // namespace zav::platform::alsa
