#pragma once
// The host's mixer as the programs use it: devices and their capabilities, destination and
// source lines, the controls of a line, control values, and change notifications.
//
// The calls mirror the host's mixer functions one for one and report a MixerResult. A handle
// comes from Open and stays valid until Close; any call with a closed, unknown or null handle
// returns InvalidHandle and changes nothing.
//
// Thread: every Mixer call is made on the dialog thread. Notifications reach the
// MixerNotificationSink on the dialog thread too: a backend never calls the sink from its own
// threads, it posts the call through the Dispatcher.

#include <cstdint>

#include "platform/mixer/mixer_constants.h"
#include "platform/mixer/mixer_records.h"

namespace zav::platform {

// The callback target given to Open (the host's callback window). The program's dialog
// implements it and passes the notification on to whatever follows the mixer.
class MixerNotificationSink {
  public:
    virtual ~MixerNotificationSink() = default;

    // A line's state or a control's value changed; id is the line id or the control id.
    // Called on: the dialog thread, from a task the backend posted. It is never called for a
    // handle that has been closed, even when the change happened before Close, so the sink may
    // be destroyed once its mixer is closed. It may call back into the Mixer. Each change is
    // announced once, also where the system reports a change made through the mixer itself.
    virtual void OnMixerChange(MixerChange change, MixerHandle mixer, std::uint32_t id) = 0;
};

class Mixer {
  public:
    virtual ~Mixer() = default;

    // mixerGetNumDevs: the number of mixer devices; 0 when there are none or they cannot be
    // counted. Thread: dialog.
    virtual std::uint32_t GetNumDevs() = 0;

    // mixerGetID with MIXER_OBJECTF_WAVEIN: the mixer device that controls wave-input device
    // waveInId (kWaveMapper: the device recordings on the wave mapper use). NotSupported when
    // the backend cannot tell, NoDriver when no mixer belongs to that device. Thread: dialog.
    virtual MixerResult GetIdOfWaveIn(std::uint32_t waveInId, std::uint32_t& mixerId) {
        (void)waveInId;
        mixerId = 0;
        return MixerResult::NotSupported;
    }

    // mixerGetDevCaps by device number: BadDeviceId for a number at or above GetNumDevs.
    // Thread: dialog.
    virtual MixerResult GetDevCaps(std::uint32_t deviceId, MixerCaps& caps) = 0;
    // mixerGetDevCaps with an open handle in place of the device number. Thread: dialog.
    virtual MixerResult GetDevCaps(MixerHandle mixer, MixerCaps& caps) = 0;

    // mixerOpen with CALLBACK_WINDOW: opens device deviceId and sends its notifications to sink
    // (none when sink is null). On failure handle is kNullMixer. The sink must stay alive until
    // the handle is closed. Thread: dialog.
    virtual MixerResult Open(std::uint32_t deviceId, MixerNotificationSink* sink,
                             MixerHandle& handle) = 0;
    // mixerClose. Notifications still queued for the handle are dropped. Thread: dialog.
    virtual MixerResult Close(MixerHandle mixer) = 0;

    // mixerGetLineInfo: fills line from the fields the query selects (see MixerLine).
    // InvalidParam for a destination or source index out of range, InvalidLine for an unknown
    // line id or component type. Thread: dialog.
    virtual MixerResult GetLineInfo(MixerHandle mixer, LineInfoQuery query, MixerLine& line) = 0;

    // mixerGetLineControls: fills request.controls (see MixerLineControls). InvalidParam when
    // the number of records does not match; InvalidLine or InvalidControl for unknown ids.
    // Thread: dialog.
    virtual MixerResult GetLineControls(MixerHandle mixer, LineControlsQuery query,
                                        MixerLineControls& request) = 0;

    // mixerGetControlDetails: reads the control's values into details.details. InvalidParam when
    // the channel count, item count or buffer size breaks the rules of MixerControlDetails.
    // Thread: dialog.
    virtual MixerResult GetControlDetails(MixerHandle mixer, ControlDetailsQuery query,
                                          MixerControlDetails& details) = 0;

    // mixerSetControlDetails: writes the values; with one channel on a non-uniform control the
    // value is written to every channel. Every open handle with a sink then receives a control
    // change notification. Thread: dialog.
    virtual MixerResult SetControlDetails(MixerHandle mixer, ControlDetailsSet how,
                                          const MixerControlDetails& details) = 0;
};

}  // namespace zav::platform
