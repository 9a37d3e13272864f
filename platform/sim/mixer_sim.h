#pragma once
// A simulated mixer for tests: built from a MixerTopology, it answers the Mixer calls with the
// host's rules of MixerCore (closed handles, counts and buffer sizes, unknown ids, value
// bounds) over the topology's model and the values it stores, fails any
// call on request, logs every call, and lets a test change a control "from outside", which
// notifies every open handle through the dispatcher as the host would. A call on a handle that
// is not open also goes to the rule-violation handler, as the simulated card's breaches do: by
// default the program aborts with the message.
//
// Thread: the Mixer calls on the dialog thread; the test-side calls (SetControlValues,
// ChangeLine, inspection) on any thread. Notifications are posted to the dispatcher and reach
// the sinks when the dialog thread runs them.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/mixer/mixer.h"
#include "platform/mixer/mixer_core.h"
#include "platform/sim/fault_injector.h"
#include "platform/sim/mixer_sim_topology.h"
#include "platform/sim/rule_violation.h"
#include "platform/ui/dispatcher.h"

namespace zav::platform::sim {

enum class MixerCall {
    GetNumDevs,
    GetDevCaps,
    Open,
    Close,
    GetLineInfo,
    GetLineControls,
    GetControlDetails,
    SetControlDetails,
};

inline constexpr std::array kAllMixerCalls = {
    MixerCall::GetNumDevs,
    MixerCall::GetDevCaps,
    MixerCall::Open,
    MixerCall::Close,
    MixerCall::GetLineInfo,
    MixerCall::GetLineControls,
    MixerCall::GetControlDetails,
    MixerCall::SetControlDetails,
};

// One call as the simulation saw it, with what it was about. Fields that do not apply to the
// call are 0.
struct MixerCallRecord {
    MixerCall call = MixerCall::GetNumDevs;
    MixerResult result = MixerResult::NoError;
    bool injected = false;          // the result came from a MixerFault
    std::uint32_t query = 0;        // the selector passed (LineInfoQuery, LineControlsQuery ...)
    std::uint32_t destination = 0;  // GetLineInfo by destination or source
    std::uint32_t source = 0;       // GetLineInfo by source
    std::uint32_t lineId = 0;       // GetLineInfo by id, GetLineControls
    std::uint32_t controlId = 0;    // GetLineControls by id, control details
    std::uint32_t channels = 0;     // control details
    std::uint32_t items = 0;        // control details (multipleItems as passed)
};

struct SimMixerOptions {
    // Every write through the mixer is also reported as a change by the system, as the host
    // does on Windows (a sound server and Wine do not).
    bool echoWrites = false;
};

class SimMixer : public Mixer {
  public:
    // Throws std::invalid_argument for a topology that breaks its own rules (duplicate ids,
    // more values than the control has, items on a control without kControlMultiple).
    SimMixer(MixerTopology topology, Dispatcher& dispatcher, SimMixerOptions options = {});
    ~SimMixer() override;
    SimMixer(const SimMixer&) = delete;
    SimMixer& operator=(const SimMixer&) = delete;

    std::uint32_t GetNumDevs() override;
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

    // Failure injection, as the simulated card's (fault_injector.h): the call after the next
    // afterCalls calls of this kind fails with result, and so on until times calls have failed
    // (kEveryTime: for ever). A failed GetNumDevs answers 0; other failed calls change nothing.
    // Thread: any.
    void FailCall(MixerCall call, MixerResult result, std::uint32_t afterCalls = 0,
                  std::uint32_t times = 1);
    void ClearFailures();
    // The mixer goes away, as a USB headset pulled out or a sound server stopped: every call
    // but Close answers NoDriver from now on (GetNumDevs: 0), and every open handle hears that
    // each of its device's lines changed. Thread: any.
    void Disappear();
    void SetViolationHandler(RuleViolationHandler handler);

    // A change made by another program: replaces the control's values (laid out as in
    // SimControl::values) and posts a control change to every open handle of the device.
    // InvalidControl for an unknown control, InvalidParam for too many values. Thread: any.
    MixerResult SetControlValues(std::uint32_t deviceId, std::uint32_t controlId,
                                 std::vector<std::uint32_t> values);
    // Posts a line change for lineId to every open handle of the device. Thread: any.
    MixerResult ChangeLine(std::uint32_t deviceId, std::uint32_t lineId);

    // Inspection. Thread: any.
    std::optional<std::vector<std::uint32_t>> ControlValues(std::uint32_t deviceId,
                                                            std::uint32_t controlId) const;
    std::vector<MixerCallRecord> CallLog() const;
    std::uint32_t CallCount(MixerCall call) const;
    std::size_t OpenHandleCount() const;

  private:
    struct State;
    class Devices;
    class Session;
    std::unique_ptr<State> state_;
    std::unique_ptr<MixerCore> core_;  // the host's rules over the topology's model
};

}  // namespace zav::platform::sim
