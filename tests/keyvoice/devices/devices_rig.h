#pragma once
// CSoundDevices on the simulated card and mixer, with the fake view of the recorder's dialog,
// and the sound cards the tests write down.

#include <cstdint>
#include <optional>
#include <vector>

#include "keyvoice/resources.h"
#include "keyvoice/sound_devices.h"
#include "platform/sim/mixer_sim.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/testing/fake_dialog_view.h"
#include "platform/testing/manual_dispatcher.h"
#include "platform/testing/manual_timers.h"
#include "platform/testing/recording_message_boxes.h"
#include "tests/support/mixer_test_cards.h"

namespace keyvoice_devices_test {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;
using keyvoice::kIdcRecordVolume;
using zav::test::MuteControl;

// Ids of every card below. A monitored microphone under the speakers comes first, so that a
// probe that does not keep to the recording destination takes the wrong line.
inline constexpr std::uint32_t kSpeakersLine = 1;
inline constexpr std::uint32_t kMonitorMicLine = 2;
inline constexpr std::uint32_t kMonitorMicVolume = 20;
inline constexpr std::uint32_t kRecordingLine = 10;
inline constexpr std::uint32_t kLineInLine = 11;
inline constexpr std::uint32_t kLineInVolume = 110;
inline constexpr std::uint32_t kMicLine = 12;
inline constexpr std::uint32_t kMicMute = 120;
inline constexpr std::uint32_t kMicVolume = 121;
inline constexpr std::uint32_t kSecondMicLine = 13;
inline constexpr std::uint32_t kSecondMicVolume = 130;

inline sim::SimControl Volume(std::uint32_t id, std::uint32_t value) {
    return {.id = id, .type = platform::ControlType::Volume, .values = {value, value}};
}

// A card whose recording microphone has the given controls (a mute, then the volume, unless
// the test says otherwise); more sources may follow it.
inline sim::SimMixerDevice Card(std::vector<sim::SimControl> micControls,
                                std::vector<sim::SimLine> moreSources = {}) {
    std::vector<sim::SimLine> recordingSources{
        {.id = kLineInLine,
         .type = platform::ComponentType::SrcLine,
         .controls = {Volume(kLineInVolume, 1000)}},
        {.id = kMicLine,
         .type = platform::ComponentType::SrcMicrophone,
         .controls = std::move(micControls)},
    };
    for (sim::SimLine& line : moreSources)
        recordingSources.push_back(std::move(line));
    return {.name = "Sim Card",
            .destinations = {
                {.line = {.id = kSpeakersLine, .type = platform::ComponentType::DstSpeakers},
                 .sources = {{.id = kMonitorMicLine,
                              .type = platform::ComponentType::SrcMicrophone,
                              .controls = {Volume(kMonitorMicVolume, 2000)}}}},
                {.line = {.id = kRecordingLine, .type = platform::ComponentType::DstWaveIn},
                 .sources = std::move(recordingSources)},
            }};
}
inline sim::SimMixerDevice UsableCard(std::uint32_t volume = 30000) {
    return Card({MuteControl(kMicMute, 0), Volume(kMicVolume, volume)});
}
inline sim::SimMixerDevice CardWithoutMicVolume() {
    return Card({MuteControl(kMicMute, 0)});
}

// The simulated mixer, which can also name the mixer of the wave mapper's input, and which
// remembers the devices it was asked to open and the size of every value buffer it was given.
class RigMixer : public sim::SimMixer {
  public:
    using SimMixer::SimMixer;

    std::optional<std::uint32_t> waveInMixer;  // unset: NotSupported, as the plain simulation
    std::vector<std::uint32_t> waveInQueries;
    std::vector<std::uint32_t> opened;
    std::vector<std::size_t> valueBufferSizes;

    platform::MixerResult GetIdOfWaveIn(std::uint32_t waveInId, std::uint32_t& mixerId) override {
        waveInQueries.push_back(waveInId);
        if (!waveInMixer)
            return SimMixer::GetIdOfWaveIn(waveInId, mixerId);
        mixerId = *waveInMixer;
        return platform::MixerResult::NoError;
    }
    platform::MixerResult Open(std::uint32_t deviceId, platform::MixerNotificationSink* sink,
                               platform::MixerHandle& handle) override {
        opened.push_back(deviceId);
        return SimMixer::Open(deviceId, sink, handle);
    }
    platform::MixerResult GetControlDetails(platform::MixerHandle mixer,
                                            platform::ControlDetailsQuery query,
                                            platform::MixerControlDetails& details) override {
        valueBufferSizes.push_back(details.details.size());
        return SimMixer::GetControlDetails(mixer, query, details);
    }
    platform::MixerResult SetControlDetails(platform::MixerHandle mixer,
                                            platform::ControlDetailsSet how,
                                            const platform::MixerControlDetails& details) override {
        valueBufferSizes.push_back(details.details.size());
        return SimMixer::SetControlDetails(mixer, how, details);
    }
};

struct DevicesRig {
    explicit DevicesRig(std::vector<sim::SimMixerDevice> mixers, sim::SimCardConfig cardConfig = {})
        : card(std::move(cardConfig)), mixer({.devices = std::move(mixers)}, dispatcher) {
        devices.AttachView(view);
    }

    // The search as the dialog's creation runs it, then the slider as its initialisation sets it.
    void Start() {
        devices.FindSoundDevice(keyvoice::DeviceKind::VolumeMixer);
        devices.InitRecordVolumeSlider();
    }
    const sim::FakeControlState& Slider() const { return view.Control(kIdcRecordVolume); }
    std::uint32_t MixerVolume(std::uint32_t deviceId = 0) const {
        return mixer.ControlValues(deviceId, kMicVolume).value().front();
    }

    sim::ManualDispatcher dispatcher;
    sim::RecordingMessageBoxes boxes;
    sim::ManualTimers timers;
    sim::FakeDialogView view{keyvoice::KeyVoiceTemplate(), boxes, timers};
    sim::SimSoundCard card;
    RigMixer mixer;
    keyvoice::CSoundDevices devices{card.WaveIn(), card.WaveOut(), mixer};
};

}  // namespace keyvoice_devices_test
