#pragma once
// The Mixer contract, written once and run on every mixer: the simulated one
// (tests/platform/mixer), ALSA on the sound server (tests/backends/alsa) and WinMM under Wine
// (tests/backends/winmm). An instantiation supplies a rig, a test fixture (it may skip in its
// SetUp when its devices are missing) with these members:
//
//   Mixer& Subject();
//   // The device to test: its recording destination has a microphone source with a volume.
//   std::uint32_t RecordingDevice();
//   // Runs the dialog thread until the notices of what has happened have been delivered.
//   void DeliverNotices();
//   // Sets every channel of the microphone's volume control as another program would.
//   void SetVolumeFromOutside(std::uint32_t controlId, std::uint32_t value);
//   // The cases the backend cannot run, by name, with the reason (skipped_cases.h).
//   static constexpr std::array<SkippedCase, N> kSkipped;
//
// and instantiates: INSTANTIATE_TYPED_TEST_SUITE_P(Name, MixerContract, testing::Types<Rig>);

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/mixer/mixer.h"
#include "tests/contracts/skipped_cases.h"

namespace zav::platform::contracts {

// The notices one sink has heard.
class MixerNoticeLog : public MixerNotificationSink {
  public:
    struct Notice {
        MixerChange change;
        MixerHandle mixer;
        std::uint32_t id;
        friend bool operator==(const Notice&, const Notice&) = default;
        friend void PrintTo(const Notice& notice, std::ostream* out) {
            *out << (notice.change == MixerChange::Control ? "control " : "line ") << notice.id
                 << " to handle " << static_cast<std::uintptr_t>(notice.mixer);
        }
    };
    void OnMixerChange(MixerChange change, MixerHandle mixer, std::uint32_t id) override {
        heard.push_back({change, mixer, id});
    }
    std::vector<Notice> heard;
};

template <typename Rig>
class MixerContract : public Rig {
  protected:
    // The microphone of the recording device and its controls, the volume first.
    struct Found {
        MixerHandle handle{};
        MixerLine microphone;
        std::vector<MixerControl> controls;
    };

    void SetUp() override {
        Rig::SetUp();
        if (this->IsSkipped() || this->HasFatalFailure())
            return;
        if (const std::string_view why = WhySkipped<Rig>(); !why.empty())
            GTEST_SKIP() << why;
    }
    void TearDown() override {
        for (MixerHandle handle : opened_)
            this->Subject().Close(handle);
        Rig::TearDown();
    }

    MixerHandle OpenDevice(std::uint32_t deviceId, MixerNotificationSink* sink = nullptr) {
        MixerHandle handle{};
        EXPECT_EQ(this->Subject().Open(deviceId, sink, handle), MixerResult::NoError);
        opened_.push_back(handle);
        return handle;
    }
    MixerHandle Open(MixerNotificationSink* sink = nullptr) {
        return OpenDevice(this->RecordingDevice(), sink);
    }

    MixerResult Close(MixerHandle handle) {
        std::erase(opened_, handle);
        return this->Subject().Close(handle);
    }

    struct WalkedLine {
        MixerLine line;
        std::vector<MixerControl> controls;
    };
    // Every line of the open device, each destination followed by its sources, with its
    // controls.
    std::vector<WalkedLine> Walk(MixerHandle handle) {
        Mixer& mixer = this->Subject();
        std::vector<WalkedLine> walked;
        MixerCaps caps;
        EXPECT_EQ(mixer.GetDevCaps(handle, caps), MixerResult::NoError);
        for (std::uint32_t d = 0; d < caps.destinations; ++d) {
            MixerLine destination{.destination = d};
            EXPECT_EQ(mixer.GetLineInfo(handle, LineInfoQuery::Destination, destination),
                      MixerResult::NoError);
            walked.push_back({destination, {}});
            for (std::uint32_t s = 0; s < destination.connections; ++s) {
                MixerLine source{.destination = d, .source = s};
                EXPECT_EQ(mixer.GetLineInfo(handle, LineInfoQuery::Source, source),
                          MixerResult::NoError);
                EXPECT_EQ(source.destination, d);
                walked.push_back({source, {}});
            }
        }
        for (WalkedLine& walking : walked) {
            if (walking.line.controls == 0)
                continue;
            walking.controls.resize(walking.line.controls);
            MixerLineControls all{.lineId = walking.line.lineId, .controls = walking.controls};
            EXPECT_EQ(mixer.GetLineControls(handle, LineControlsQuery::All, all),
                      MixerResult::NoError);
        }
        return walked;
    }

    // Opens the recording device and finds the first microphone of its recording destination.
    void Find(MixerNotificationSink* sink, Found& found) {
        found.handle = Open(sink);
        std::optional<std::uint32_t> recording;
        for (const auto& [line, controls] : Walk(found.handle)) {
            if (line.componentType == ComponentType::DstWaveIn)
                recording = line.destination;
            if (recording == line.destination && found.controls.empty() &&
                line.componentType == ComponentType::SrcMicrophone) {
                found.microphone = line;
                found.controls = controls;
            }
        }
        ASSERT_EQ(found.microphone.componentType, ComponentType::SrcMicrophone)
            << "no microphone on the recording destination";
        auto volume =
            std::ranges::find(found.controls, ControlType::Volume, &MixerControl::controlType);
        ASSERT_NE(volume, found.controls.end()) << "the microphone has no volume";
        std::rotate(found.controls.begin(), volume, volume + 1);
    }

    MixerResult Read(MixerHandle handle, const MixerControl& control, std::uint32_t channels,
                     std::vector<std::uint32_t>& values) {
        values.assign(channels, 0xDEAD);
        MixerControlDetails details{
            .controlId = control.controlId, .channels = channels, .details = values};
        return this->Subject().GetControlDetails(handle, ControlDetailsQuery::Value, details);
    }
    MixerResult Write(MixerHandle handle, const MixerControl& control,
                      std::vector<std::uint32_t> values) {
        MixerControlDetails details{.controlId = control.controlId,
                                    .channels = static_cast<std::uint32_t>(values.size()),
                                    .details = values};
        return this->Subject().SetControlDetails(handle, ControlDetailsSet::Value, details);
    }
    // The control's values, one per channel it has.
    std::vector<std::uint32_t> Values(const Found& found, const MixerControl& control) {
        std::vector<std::uint32_t> values;
        EXPECT_EQ(Read(found.handle, control, ChannelsOf(found, control), values),
                  MixerResult::NoError);
        return values;
    }
    static std::uint32_t ChannelsOf(const Found& found, const MixerControl& control) {
        return control.IsUniform() ? 1 : found.microphone.channels;
    }

    // Reads and writes the microphone's controls with each request of the table whose rule needs
    // the control (againstControl) or not, and finds them unchanged at the end.
    void CheckDetailRequests(bool againstControl) {
        Found found;
        ASSERT_NO_FATAL_FAILURE(this->Find(nullptr, found));
        for (const MixerControl& control : found.controls) {
            if (control.IsMultiple())
                continue;
            const std::uint32_t channels = ChannelsOf(found, control);
            const std::vector<std::uint32_t> now = this->Values(found, control);
            struct Case {
                std::string what;
                std::uint32_t channels;
                std::uint32_t items;
                std::size_t room;
                MixerResult expected;
                bool againstControl = false;
            };
            const Case cases[] = {
                {"all channels as one", 1, 0, 1, MixerResult::NoError},
                {"each channel", channels, 0, channels, MixerResult::NoError},
                {"no channel", 0, 0, channels, MixerResult::InvalidParam},
                {"more channels than the control has", channels + 1, 0, channels + 1,
                 MixerResult::InvalidParam, true},
                {"a buffer too small", channels, 0, channels - 1, MixerResult::InvalidParam},
                {"items on a single-item control", 1, 2, 2, MixerResult::InvalidParam, true},
            };
            for (const Case& c : cases) {
                if (c.againstControl != againstControl)
                    continue;
                // The values it holds, so that the last write taken leaves them as they were.
                std::vector<std::uint32_t> values(now);
                values.resize(std::max<std::size_t>(c.room, 1), now[0]);
                MixerControlDetails details{.controlId = control.controlId,
                                            .channels = c.channels,
                                            .multipleItems = c.items,
                                            .details = std::span(values.data(), c.room)};
                EXPECT_EQ(this->Subject().GetControlDetails(found.handle,
                                                            ControlDetailsQuery::Value, details),
                          c.expected)
                    << control.name << ": read with " << c.what;
                std::copy(now.begin(), now.begin() + std::min(now.size(), values.size()),
                          values.begin());
                EXPECT_EQ(this->Subject().SetControlDetails(found.handle, ControlDetailsSet::Value,
                                                            details),
                          c.expected)
                    << control.name << ": write with " << c.what;
            }
            EXPECT_EQ(this->Values(found, control), now) << control.name;
        }
    }

    std::vector<MixerHandle> opened_;
};

TYPED_TEST_SUITE_P(MixerContract);

TYPED_TEST_P(MixerContract, LinesAndControlsAreFoundByIndexIdAndTypeWithTheHostsErrors) {
    Mixer& mixer = this->Subject();
    const std::uint32_t count = mixer.GetNumDevs();
    ASSERT_GT(count, this->RecordingDevice());
    MixerCaps none;
    EXPECT_EQ(mixer.GetDevCaps(count, none), MixerResult::BadDeviceId);
    MixerHandle refused{7};
    EXPECT_EQ(mixer.Open(count, nullptr, refused), MixerResult::BadDeviceId);
    EXPECT_EQ(refused, kNullMixer);

    for (std::uint32_t deviceId = 0; deviceId < count; ++deviceId) {
        SCOPED_TRACE("device " + std::to_string(deviceId));
        const MixerHandle handle = this->OpenDevice(deviceId);
        MixerCaps byId;
        MixerCaps byHandle;
        ASSERT_EQ(mixer.GetDevCaps(deviceId, byId), MixerResult::NoError);
        ASSERT_EQ(mixer.GetDevCaps(handle, byHandle), MixerResult::NoError);
        EXPECT_EQ(byHandle.name, byId.name);
        EXPECT_EQ(byHandle.destinations, byId.destinations);
        std::uint32_t highestId = 0;
        std::map<ComponentType, std::uint32_t> firstOfType;  // line ids, in the host's order
        for (const auto& [line, controls] : this->Walk(handle)) {
            highestId = std::max(highestId, line.lineId);
            MixerLine byLineId{.lineId = line.lineId};
            ASSERT_EQ(mixer.GetLineInfo(handle, LineInfoQuery::LineId, byLineId),
                      MixerResult::NoError);
            EXPECT_EQ(byLineId.componentType, line.componentType);
            EXPECT_EQ(byLineId.source, line.source);
            EXPECT_EQ(byLineId.channels, line.channels);
            MixerLine byType{.componentType = line.componentType};
            firstOfType.try_emplace(line.componentType, line.lineId);
            ASSERT_EQ(mixer.GetLineInfo(handle, LineInfoQuery::ComponentType, byType),
                      MixerResult::NoError);
            EXPECT_EQ(byType.lineId, firstOfType.at(line.componentType));
            if (controls.empty())
                continue;
            std::vector<MixerControl> tooMany(controls.size() + 1);
            MixerLineControls wrong{.lineId = line.lineId, .controls = tooMany};
            EXPECT_EQ(mixer.GetLineControls(handle, LineControlsQuery::All, wrong),
                      MixerResult::InvalidParam);
            for (const MixerControl& control : controls) {
                highestId = std::max(highestId, control.controlId);
                std::vector<MixerControl> one(1);
                MixerLineControls byControlType{
                    .lineId = line.lineId, .controlType = control.controlType, .controls = one};
                ASSERT_EQ(
                    mixer.GetLineControls(handle, LineControlsQuery::OneByType, byControlType),
                    MixerResult::NoError);
                const auto firstOfItsType =
                    std::ranges::find(controls, control.controlType, &MixerControl::controlType);
                EXPECT_EQ(one[0].controlId, firstOfItsType->controlId);
            }
        }
        MixerLine unknownLine{.lineId = highestId + 1};
        EXPECT_EQ(mixer.GetLineInfo(handle, LineInfoQuery::LineId, unknownLine),
                  MixerResult::InvalidLine);
        EXPECT_EQ(this->Close(handle), MixerResult::NoError);
    }
}

TYPED_TEST_P(MixerContract, ControlsAreFoundByIdAndIndexesBeyondTheLinesAreRefused) {
    Mixer& mixer = this->Subject();
    const MixerHandle handle = this->Open();
    MixerCaps caps;
    ASSERT_EQ(mixer.GetDevCaps(handle, caps), MixerResult::NoError);
    MixerLine farDestination{.destination = caps.destinations};
    EXPECT_EQ(mixer.GetLineInfo(handle, LineInfoQuery::Destination, farDestination),
              MixerResult::InvalidParam);
    std::uint32_t highestId = 0;
    std::vector<MixerControl> one(1);
    for (const auto& [line, controls] : this->Walk(handle)) {
        highestId = std::max(highestId, line.lineId);
        MixerLine farSource{.destination = line.destination, .source = line.connections};
        if (line.connections != 0) {
            EXPECT_EQ(mixer.GetLineInfo(handle, LineInfoQuery::Source, farSource),
                      MixerResult::InvalidParam);
        }
        for (const MixerControl& control : controls) {
            highestId = std::max(highestId, control.controlId);
            MixerLineControls byId{.controlId = control.controlId, .controls = one};
            ASSERT_EQ(mixer.GetLineControls(handle, LineControlsQuery::OneById, byId),
                      MixerResult::NoError)
                << control.name;
            EXPECT_EQ(byId.lineId, line.lineId) << control.name;
            EXPECT_EQ(one[0].controlType, control.controlType) << control.name;
        }
    }
    MixerLineControls unknown{.controlId = highestId + 1, .controls = one};
    EXPECT_EQ(mixer.GetLineControls(handle, LineControlsQuery::OneById, unknown),
              MixerResult::InvalidControl);
}

TYPED_TEST_P(MixerContract, DetailRequestsWithoutChannelsOrRoomAreRefused) {
    ASSERT_NO_FATAL_FAILURE(this->CheckDetailRequests(false));
    typename TestFixture::Found found;
    ASSERT_NO_FATAL_FAILURE(this->Find(nullptr, found));
    const MixerHandle handle = found.handle;
    std::vector<std::uint32_t> values(1);
    MixerControlDetails unknown{.controlId = 0xBEEF, .channels = 1, .details = values};
    EXPECT_EQ(this->Subject().GetControlDetails(handle, ControlDetailsQuery::Value, unknown),
              MixerResult::InvalidControl);
    unknown.controlId = found.controls[0].controlId;
    EXPECT_EQ(this->Subject().GetControlDetails(handle, ControlDetailsQuery::ListText, unknown),
              MixerResult::NotSupported);
}

TYPED_TEST_P(MixerContract, DetailRequestsOutsideTheControlsShapeAreRefused) {
    this->CheckDetailRequests(true);
}

TYPED_TEST_P(MixerContract, OneChannelWritesEveryChannelAndValuesKeepToTheBounds) {
    typename TestFixture::Found found;
    ASSERT_NO_FATAL_FAILURE(this->Find(nullptr, found));
    const MixerControl& volume = found.controls[0];
    const std::uint32_t channels = TestFixture::ChannelsOf(found, volume);

    ASSERT_EQ(this->Write(found.handle, volume, {32768}), MixerResult::NoError);
    EXPECT_EQ(this->Values(found, volume), std::vector<std::uint32_t>(channels, 32768));
    std::vector<std::uint32_t> first;
    ASSERT_EQ(this->Read(found.handle, volume, 1, first), MixerResult::NoError);
    EXPECT_EQ(first, std::vector<std::uint32_t>{32768});

    if (volume.maximum < 0xFFFFFFFF) {
        EXPECT_EQ(this->Write(found.handle, volume, {volume.maximum + 1}),
                  MixerResult::InvalidValue);
        EXPECT_EQ(this->Values(found, volume), std::vector<std::uint32_t>(channels, 32768));
    }
}

TYPED_TEST_P(MixerContract, AClosedHandleIsRefusedEverywhereAndNeverComesBack) {
    typename TestFixture::Found found;
    ASSERT_NO_FATAL_FAILURE(this->Find(nullptr, found));
    const MixerHandle other = this->Open();
    EXPECT_NE(other, found.handle);
    ASSERT_EQ(this->Close(found.handle), MixerResult::NoError);

    Mixer& mixer = this->Subject();
    std::vector<std::uint32_t> values(2);
    std::vector<MixerControl> controls(found.controls.size());
    const std::uint32_t controlId = found.controls[0].controlId;
    for (const MixerHandle handle : {found.handle, kNullMixer}) {
        MixerCaps caps;
        MixerLine line;
        MixerLineControls request{.lineId = found.microphone.lineId, .controls = controls};
        MixerControlDetails details{.controlId = controlId, .channels = 1, .details = values};
        EXPECT_EQ(mixer.GetDevCaps(handle, caps), MixerResult::InvalidHandle);
        EXPECT_EQ(mixer.GetLineInfo(handle, LineInfoQuery::Destination, line),
                  MixerResult::InvalidHandle);
        EXPECT_EQ(mixer.GetLineControls(handle, LineControlsQuery::All, request),
                  MixerResult::InvalidHandle);
        EXPECT_EQ(mixer.GetControlDetails(handle, ControlDetailsQuery::Value, details),
                  MixerResult::InvalidHandle);
        EXPECT_EQ(mixer.SetControlDetails(handle, ControlDetailsSet::Value, details),
                  MixerResult::InvalidHandle);
        EXPECT_EQ(mixer.Close(handle), MixerResult::InvalidHandle);
    }
    const MixerHandle again = this->Open();
    EXPECT_NE(again, found.handle);
    EXPECT_NE(again, other);
}

TYPED_TEST_P(MixerContract, AWriteIsAnnouncedOnceToEveryOpenHandleOfTheDevice) {
    MixerNoticeLog first;
    MixerNoticeLog second;
    typename TestFixture::Found found;
    ASSERT_NO_FATAL_FAILURE(this->Find(&first, found));
    const MixerHandle b = this->Open(&second);
    this->Open();  // a handle without a sink hears nothing
    const MixerControl& volume = found.controls[0];
    const std::vector<std::uint32_t> before = this->Values(found, volume);

    ASSERT_EQ(this->Write(found.handle, volume, {before[0] == 20000 ? 20001U : 20000U}),
              MixerResult::NoError);
    EXPECT_TRUE(first.heard.empty());  // only on the dialog thread, from a posted task
    this->DeliverNotices();
    using Notice = MixerNoticeLog::Notice;
    const Notice toFirst{MixerChange::Control, found.handle, volume.controlId};
    const Notice toSecond{MixerChange::Control, b, volume.controlId};
    EXPECT_EQ(first.heard, std::vector{toFirst});
    EXPECT_EQ(second.heard, std::vector{toSecond});

    // A notice still queued when its handle closes is dropped.
    ASSERT_EQ(this->Write(found.handle, volume, before), MixerResult::NoError);
    ASSERT_EQ(this->Close(b), MixerResult::NoError);
    this->DeliverNotices();
    EXPECT_EQ(first.heard, (std::vector{toFirst, toFirst}));
    EXPECT_EQ(second.heard, std::vector{toSecond});
}

TYPED_TEST_P(MixerContract, AChangeFromOutsideIsNoticedOnce) {
    MixerNoticeLog sink;
    typename TestFixture::Found found;
    ASSERT_NO_FATAL_FAILURE(this->Find(&sink, found));
    const MixerControl& volume = found.controls[0];
    // A write of the handle's own comes first: it must not hide the change that follows.
    ASSERT_EQ(this->Write(found.handle, volume, {40000}), MixerResult::NoError);
    this->DeliverNotices();
    sink.heard.clear();

    this->SetVolumeFromOutside(volume.controlId, 19660);
    this->DeliverNotices();
    EXPECT_EQ(sink.heard, (std::vector<MixerNoticeLog::Notice>{
                              {MixerChange::Control, found.handle, volume.controlId}}));
    EXPECT_EQ(this->Values(found, volume),
              std::vector<std::uint32_t>(TestFixture::ChannelsOf(found, volume), 19660));
}

REGISTER_TYPED_TEST_SUITE_P(MixerContract,
                            LinesAndControlsAreFoundByIndexIdAndTypeWithTheHostsErrors,
                            ControlsAreFoundByIdAndIndexesBeyondTheLinesAreRefused,
                            DetailRequestsWithoutChannelsOrRoomAreRefused,
                            DetailRequestsOutsideTheControlsShapeAreRefused,
                            OneChannelWritesEveryChannelAndValuesKeepToTheBounds,
                            AClosedHandleIsRefusedEverywhereAndNeverComesBack,
                            AWriteIsAnnouncedOnceToEveryOpenHandleOfTheDevice,
                            AChangeFromOutsideIsNoticedOnce);

}  // namespace zav::platform::contracts
