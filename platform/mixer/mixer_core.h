#pragma once
// The host's mixer rules over a model of each device, written once: MixerCore answers every
// Mixer call, and a backend (MixerBackend) supplies only its devices, a model of each open
// device (mixer_model.h), the reading and writing of control values, and its change events.
// Handles and notices follow MixerHandles (mixer_handles.h); the queries are answered from the
// model; details requests are checked against the control (CheckDetailsShape, CheckBounds)
// before the backend sees them, and the backend always reads and writes whole items: one
// channel on a non-uniform control reads the first channel and writes every channel.
//
// Thread: the Mixer calls on the dialog thread, as mixer.h says; DeviceChange and the change
// reports from any thread. The dispatcher must outlive the core.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "platform/mixer/mixer.h"
#include "platform/mixer/mixer_handles.h"
#include "platform/mixer/mixer_model.h"
#include "platform/ui/dispatcher.h"

namespace zav::platform {

// One open handle's device, as the backend serves it. Called on the dialog thread.
class MixerSession {
  public:
    virtual ~MixerSession() = default;

    // The device's lines and controls; fixed while the session lives.
    virtual const MixerModel& Model() const = 0;
    // Every value of the control, laid out as at.Shape() says.
    virtual MixerResult Read(const ModelControl& at, std::vector<std::uint32_t>& values) = 0;
    // Writes the first channels channels of every item; values holds channels x items of them,
    // item by item, within the control's bounds. For a uniform control channels is 1.
    virtual MixerResult Write(const ModelControl& at, std::span<const std::uint32_t> values,
                              std::uint32_t channels) = 0;
};

// How a backend tells the core of a change on one handle's device. Thread: any.
using MixerChangeReport = std::function<void(MixerChange change, std::uint32_t id)>;

class MixerBackend {
  public:
    virtual ~MixerBackend() = default;

    virtual std::uint32_t CountDevices() = 0;
    // BadDeviceId for a number at or above CountDevices.
    virtual MixerResult DeviceCaps(std::uint32_t deviceId, MixerCaps& caps) = 0;
    // See Mixer::GetIdOfWaveIn.
    virtual MixerResult MixerOfWaveIn(std::uint32_t waveInId, std::uint32_t& mixerId) {
        (void)waveInId;
        mixerId = 0;
        return MixerResult::NotSupported;
    }
    // Opens deviceId for one handle (BadDeviceId for a number beyond the list). report is empty
    // when the handle has no sink; otherwise the session reports through it every change the system
    // tells of.
    virtual MixerResult OpenSession(std::uint32_t deviceId, MixerChangeReport report,
                                    std::unique_ptr<MixerSession>& session) = 0;
    // True when the sessions report changes made through them as well (see MixerHandles).
    virtual bool EchoesWrites() const { return false; }
};

class MixerCore : public Mixer {
  public:
    MixerCore(std::unique_ptr<MixerBackend> backend, Dispatcher& dispatcher);
    // Closes the handles still open.
    ~MixerCore() override;
    MixerCore(const MixerCore&) = delete;
    MixerCore& operator=(const MixerCore&) = delete;

    std::uint32_t GetNumDevs() override;
    MixerResult GetIdOfWaveIn(std::uint32_t waveInId, std::uint32_t& mixerId) override;
    MixerResult GetDevCaps(std::uint32_t deviceId, MixerCaps& caps) override;
    MixerResult GetDevCaps(MixerHandle mixer, MixerCaps& caps) override;
    MixerResult Open(std::uint32_t deviceId, MixerNotificationSink* sink,
                     MixerHandle& handle) override;
    MixerResult Close(MixerHandle mixer) override;
    MixerResult GetLineInfo(MixerHandle mixer, LineInfoQuery query, MixerLine& line) override;
    MixerResult GetLineControls(MixerHandle mixer, LineControlsQuery query,
                                MixerLineControls& request) override;
    MixerResult GetControlDetails(MixerHandle mixer, ControlDetailsQuery query,
                                  MixerControlDetails& details) override;
    MixerResult SetControlDetails(MixerHandle mixer, ControlDetailsSet how,
                                  const MixerControlDetails& details) override;

    // A change the system made to a device: every open handle of it with a sink hears of it.
    // Thread: any.
    void DeviceChange(std::uint32_t deviceId, MixerChange change, std::uint32_t id);
    std::size_t OpenHandleCount() const { return handles_.OpenHandles().size(); }

  protected:
    MixerBackend& Backend() const { return *backend_; }

  private:
    MixerSession* SessionOf(MixerHandle mixer) const;
    // The control details names on the session's device, checked against the request's shape.
    MixerResult Shaped(MixerSession& session, const MixerControlDetails& details,
                       ModelControl& at) const;
    bool ReadAll(MixerHandle mixer, std::uint32_t controlId, std::vector<std::uint32_t>& values);

    std::unique_ptr<MixerBackend> backend_;
    std::map<std::uintptr_t, std::unique_ptr<MixerSession>> sessions_;  // dialog thread
    MixerHandles handles_;  // before the sessions go, no notice is delivered
};

}  // namespace zav::platform
