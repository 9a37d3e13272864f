// The WinMM mixer backend on the mixers Wine's sound driver shows for the sandbox's devices:
// the recording mixer of the wave mapper, its microphone line and volume control, values that
// round-trip, change notices posted to every handle of the device, and refusals.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <vector>

#include "platform/testing/manual_dispatcher.h"
#include "platform/winmm/winmm_mixer.h"
#include "sandbox_devices.h"

namespace winmm_test {
namespace {

using namespace zav::platform;

struct Notice {
    MixerChange change;
    MixerHandle mixer;
    std::uint32_t id;
    friend bool operator==(const Notice&, const Notice&) = default;
};

class RecordingSink final : public MixerNotificationSink {
  public:
    void OnMixerChange(MixerChange change, MixerHandle mixer, std::uint32_t id) override {
        notices.push_back({change, mixer, id});
    }
    std::vector<Notice> notices;
};

class WinmmMixerTest : public SandboxTest {
  protected:
    // The first control of type on line, found through the host's by-type query.
    std::optional<MixerControl> ControlOfType(MixerHandle handle, std::uint32_t lineId,
                                              ControlType type) {
        std::array<MixerControl, 1> found;
        MixerLineControls request{.lineId = lineId, .controlType = type, .controls = found};
        if (mixer_.GetLineControls(handle, LineControlsQuery::OneByType, request) !=
            MixerResult::NoError) {
            return std::nullopt;
        }
        return found[0];
    }
    std::uint32_t Read(MixerHandle handle, std::uint32_t controlId) {
        std::array<std::uint32_t, 1> value{0xDEADBEEF};
        MixerControlDetails details{.controlId = controlId, .channels = 1, .details = value};
        EXPECT_EQ(mixer_.GetControlDetails(handle, ControlDetailsQuery::Value, details),
                  MixerResult::NoError);
        return value[0];
    }
    MixerResult Write(MixerHandle handle, std::uint32_t controlId, std::uint32_t value) {
        std::array<std::uint32_t, 1> values{value};
        const MixerControlDetails details{.controlId = controlId, .channels = 1, .details = values};
        return mixer_.SetControlDetails(handle, ControlDetailsSet::Value, details);
    }

    sim::ManualDispatcher dispatcher_;
    winmm::WinmmMixer mixer_{dispatcher_};
};

TEST_F(WinmmMixerTest, EveryDeviceDescribesItsLinesAndControls) {
    const std::uint32_t count = mixer_.GetNumDevs();
    ASSERT_GE(count, 1u);
    for (std::uint32_t id = 0; id < count; ++id) {
        MixerCaps caps;
        ASSERT_EQ(mixer_.GetDevCaps(id, caps), MixerResult::NoError);
        MixerHandle handle;
        ASSERT_EQ(mixer_.Open(id, nullptr, handle), MixerResult::NoError);
        MixerCaps byHandle;
        ASSERT_EQ(mixer_.GetDevCaps(handle, byHandle), MixerResult::NoError);
        EXPECT_EQ(byHandle.name, caps.name);
        EXPECT_EQ(byHandle.destinations, caps.destinations);
        std::printf("mixer %u \"%s\": %u destination(s)\n", id, caps.name.c_str(),
                    caps.destinations);
        for (std::uint32_t d = 0; d < caps.destinations; ++d) {
            MixerLine destination{.destination = d};
            ASSERT_EQ(mixer_.GetLineInfo(handle, LineInfoQuery::Destination, destination),
                      MixerResult::NoError);
            std::vector<MixerLine> lines{destination};
            for (std::uint32_t s = 0; s < destination.connections; ++s) {
                MixerLine source{.destination = d, .source = s};
                ASSERT_EQ(mixer_.GetLineInfo(handle, LineInfoQuery::Source, source),
                          MixerResult::NoError);
                lines.push_back(source);
            }
            for (const MixerLine& line : lines) {
                std::printf("  line %#x type %#x \"%s\", %u channel(s)\n", line.lineId,
                            static_cast<unsigned>(line.componentType), line.name.c_str(),
                            line.channels);
                // The line found by id is the same line.
                MixerLine byId{.lineId = line.lineId};
                ASSERT_EQ(mixer_.GetLineInfo(handle, LineInfoQuery::LineId, byId),
                          MixerResult::NoError);
                EXPECT_EQ(byId.componentType, line.componentType);
                if (line.controls == 0)
                    continue;
                std::vector<MixerControl> controls(line.controls);
                MixerLineControls request{.lineId = line.lineId, .controls = controls};
                ASSERT_EQ(mixer_.GetLineControls(handle, LineControlsQuery::All, request),
                          MixerResult::NoError);
                for (const MixerControl& control : controls) {
                    std::printf("    control %u type %#x flags %#x range %u..%u \"%s\"\n",
                                control.controlId, static_cast<unsigned>(control.controlType),
                                control.controlFlags, control.minimum, control.maximum,
                                control.name.c_str());
                }
                // One record too many for the line: refused, nothing read.
                std::vector<MixerControl> tooMany(line.controls + 1);
                MixerLineControls wrong{.lineId = line.lineId, .controls = tooMany};
                EXPECT_EQ(mixer_.GetLineControls(handle, LineControlsQuery::All, wrong),
                          MixerResult::InvalidParam);
            }
        }
        MixerLine beyond{.destination = caps.destinations};
        EXPECT_NE(mixer_.GetLineInfo(handle, LineInfoQuery::Destination, beyond),
                  MixerResult::NoError);
        ASSERT_EQ(mixer_.Close(handle), MixerResult::NoError);
    }
    MixerCaps none;
    EXPECT_EQ(mixer_.GetDevCaps(count, none), MixerResult::BadDeviceId);
}

TEST_F(WinmmMixerTest, TheMappersRecordingMixerHasAMicrophoneAndItsChangesReachEveryHandle) {
    std::uint32_t id = 0;
    ASSERT_EQ(mixer_.GetIdOfWaveIn(kWaveMapper, id), MixerResult::NoError);
    RecordingSink first;
    RecordingSink second;
    MixerHandle a;
    MixerHandle b;
    ASSERT_EQ(mixer_.Open(id, &first, a), MixerResult::NoError);
    ASSERT_EQ(mixer_.Open(id, &second, b), MixerResult::NoError);
    EXPECT_NE(a, b);

    MixerLine recording{.destination = 0};
    ASSERT_EQ(mixer_.GetLineInfo(a, LineInfoQuery::Destination, recording), MixerResult::NoError);
    EXPECT_EQ(recording.componentType, ComponentType::DstWaveIn);
    MixerLine microphone{.componentType = ComponentType::SrcMicrophone};
    ASSERT_EQ(mixer_.GetLineInfo(a, LineInfoQuery::ComponentType, microphone),
              MixerResult::NoError);
    EXPECT_EQ(microphone.destination, recording.destination);
    const std::optional<MixerControl> micVolume =
        ControlOfType(a, microphone.lineId, ControlType::Volume);
    ASSERT_TRUE(micVolume.has_value());
    const std::optional<MixerControl> volume =
        ControlOfType(a, recording.lineId, ControlType::Volume);
    ASSERT_TRUE(volume.has_value());
    ASSERT_TRUE(volume->IsUniform());

    // A value set through one handle is read through the other, and both hear of it.
    const std::uint32_t before = Read(a, volume->controlId);
    ASSERT_EQ(Write(a, volume->controlId, 32768), MixerResult::NoError);
    EXPECT_EQ(Read(b, volume->controlId), 32768u);
    EXPECT_TRUE(first.notices.empty());  // only on the dialog thread, from a posted task
    dispatcher_.RunPending();
    const Notice toA{MixerChange::Control, a, volume->controlId};
    const Notice toB{MixerChange::Control, b, volume->controlId};
    EXPECT_EQ(first.notices, std::vector{toA});
    EXPECT_EQ(second.notices, std::vector{toB});

    // A notice still queued when its handle closes is dropped.
    ASSERT_EQ(Write(a, volume->controlId, before), MixerResult::NoError);
    ASSERT_EQ(mixer_.Close(b), MixerResult::NoError);
    dispatcher_.RunPending();
    EXPECT_EQ(first.notices, (std::vector{toA, toA}));
    EXPECT_EQ(second.notices, std::vector{toB});
    EXPECT_EQ(Read(a, volume->controlId), before);

    // Refusals: a closed handle, a buffer too small for what it asks, the item names.
    std::array<std::uint32_t, 2> values{};
    MixerControlDetails closed{.controlId = volume->controlId, .channels = 1, .details = values};
    EXPECT_EQ(mixer_.GetControlDetails(b, ControlDetailsQuery::Value, closed),
              MixerResult::InvalidHandle);
    EXPECT_EQ(mixer_.Close(b), MixerResult::InvalidHandle);
    MixerControlDetails tooSmall{
        .controlId = volume->controlId, .channels = 3, .details = std::span(values)};
    EXPECT_EQ(mixer_.GetControlDetails(a, ControlDetailsQuery::Value, tooSmall),
              MixerResult::InvalidParam);
    EXPECT_EQ(mixer_.GetControlDetails(a, ControlDetailsQuery::ListText, closed),
              MixerResult::NotSupported);
    MixerControlDetails unknown{.controlId = 0x7777, .channels = 1, .details = values};
    EXPECT_EQ(mixer_.GetControlDetails(a, ControlDetailsQuery::Value, unknown),
              MixerResult::InvalidControl);
    ASSERT_EQ(mixer_.Close(a), MixerResult::NoError);
    dispatcher_.RunPending();
    EXPECT_EQ(first.notices.size(), 2u);
}

}  // namespace
}  // namespace winmm_test
