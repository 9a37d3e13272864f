// The search for a mixer with a microphone volume control: order, probe, open failures.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "tests/keyvoice/devices/devices_rig.h"

namespace keyvoice_devices_test {
namespace {

using keyvoice::DeviceKind;
using keyvoice::kNoDevice;
using sim::MixerCall;

std::vector<std::string> Captions(const sim::RecordingMessageBoxes& boxes) {
    std::vector<std::string> captions;
    for (const sim::ShownMessage& box : boxes.shown) {
        EXPECT_EQ(box.text, keyvoice::LoadString(keyvoice::StringId::NoVolumeControl));
        EXPECT_EQ(box.style.Bits(), box.caption == "Error" ? 0x10u : 0x30u) << box.caption;
        captions.push_back(box.caption);
    }
    return captions;
}

TEST(MixerSearch, AHigherMixerWithoutMicrophoneVolumeIsProbedClosedAndMixerZeroKept) {
    DevicesRig rig({UsableCard(), CardWithoutMicVolume()});

    EXPECT_EQ(rig.devices.FindSoundDevice(DeviceKind::VolumeMixer), 0);
    EXPECT_EQ(rig.devices.MixerDevice(), 0);
    EXPECT_EQ(rig.devices.MixerId(), 0u);
    EXPECT_TRUE(rig.devices.MixerIsOpen());
    EXPECT_TRUE(rig.boxes.shown.empty());
    EXPECT_EQ(rig.mixer.opened, (std::vector<std::uint32_t>{1, 0}));
    EXPECT_EQ(rig.mixer.OpenHandleCount(), 1u);

    // Mixer 1 was opened, its microphone's controls read, then closed before mixer 0 opened.
    const std::vector<sim::MixerCallRecord> log = rig.mixer.CallLog();
    auto kind = [](MixerCall call) {
        return [call](const sim::MixerCallRecord& record) { return record.call == call; };
    };
    const auto firstOpen = std::ranges::find_if(log, kind(MixerCall::Open));
    const auto close = std::ranges::find_if(log, kind(MixerCall::Close));
    const auto secondOpen = std::find_if(firstOpen + 1, log.end(), kind(MixerCall::Open));
    ASSERT_NE(secondOpen, log.end());
    EXPECT_LT(close, secondOpen);
    EXPECT_TRUE(std::any_of(firstOpen, close, [](const sim::MixerCallRecord& record) {
        return record.call == MixerCall::GetLineControls && record.lineId == kMicLine;
    }));
    EXPECT_EQ(std::count_if(log.begin(), log.end(), kind(MixerCall::Close)), 1);
}

TEST(MixerSearch, TheFirstRecordingMicrophoneDecidesWhichControlIsUsed) {
    const sim::SimControl uniform =
        zav::test::VolumeControl(kMicVolume, {7}, platform::kControlUniform);
    const sim::SimControl multiple = {.id = kMicVolume,
                                      .type = platform::ControlType::Volume,
                                      .flags = platform::kControlMultiple,
                                      .items = 3};
    const sim::SimLine secondMicWithVolume{.id = kSecondMicLine,
                                           .type = platform::ComponentType::SrcMicrophone,
                                           .controls = {Volume(kSecondMicVolume, 1)}};
    struct Case {
        const char* what;
        sim::SimMixerDevice card;
        bool usable;
        std::uint32_t channels = 0;
        std::uint32_t items = 0;
    };
    const Case cases[] = {
        {"mute, then volume", UsableCard(), true, 2, 1},
        {"uniform volume", Card({MuteControl(kMicMute, 0), uniform}), true, 1, 1},
        {"multiple-item volume", Card({multiple}), true, 2, 3},
        {"first microphone without volume", Card({MuteControl(kMicMute, 0)}, {secondMicWithVolume}),
         false},
        {"microphone without controls", Card({}, {secondMicWithVolume}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DevicesRig rig({c.card});
        const std::int32_t found = rig.devices.FindSoundDevice(DeviceKind::VolumeMixer);
        if (!c.usable) {
            EXPECT_EQ(found, kNoDevice);
            EXPECT_FALSE(rig.devices.MixerIsOpen());
            EXPECT_EQ(rig.mixer.OpenHandleCount(), 0u);
            EXPECT_EQ(Captions(rig.boxes), std::vector<std::string>{"Warning"});
            continue;
        }
        EXPECT_EQ(found, 0);
        EXPECT_EQ(rig.devices.MicLineId(), kMicLine);
        EXPECT_EQ(rig.devices.VolumeControlId(), kMicVolume);
        EXPECT_EQ(rig.devices.VolumeChannels(), c.channels);
        EXPECT_EQ(rig.devices.VolumeItems(), c.items);
    }
}

TEST(MixerSearch, AFailingQueryMakesTheMixerUnusable) {
    for (MixerCall failing :
         {MixerCall::GetDevCaps, MixerCall::GetLineInfo, MixerCall::GetLineControls}) {
        DevicesRig rig({UsableCard()});
        rig.mixer.FailCall(failing, zav::platform::MixerResult::Error, 0,
                           zav::platform::sim::kEveryTime);
        EXPECT_EQ(rig.devices.FindSoundDevice(DeviceKind::VolumeMixer), kNoDevice);
        EXPECT_EQ(rig.mixer.OpenHandleCount(), 0u);
        EXPECT_EQ(Captions(rig.boxes), std::vector<std::string>{"Warning"});
    }
}

TEST(MixerSearch, AMixerThatWillNotOpenShowsAnErrorAndTheSearchGoesOn) {
    struct Case {
        const char* what;
        std::uint32_t failingOpens;  // the first ones
        std::int32_t expected;
        std::vector<std::string> captions;
    };
    const Case cases[] = {
        {"the higher one", 1, 0, {"Error"}},
        {"both", 2, kNoDevice, {"Error", "Error", "Warning"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DevicesRig rig({UsableCard(), UsableCard()});
        rig.mixer.FailCall(MixerCall::Open, zav::platform::MixerResult::Error, 0, c.failingOpens);
        EXPECT_EQ(rig.devices.FindSoundDevice(DeviceKind::VolumeMixer), c.expected);
        EXPECT_EQ(rig.mixer.opened, (std::vector<std::uint32_t>{1, 0}));
        EXPECT_EQ(Captions(rig.boxes), c.captions);
        EXPECT_EQ(rig.devices.MixerIsOpen(), c.expected != kNoDevice);
    }
}

TEST(MixerSearch, TheMixerOfTheWaveMappersInputIsTriedFirst) {
    struct Case {
        const char* what;
        std::optional<std::uint32_t> waveInMixer;
        std::vector<sim::SimMixerDevice> mixers;
        std::vector<std::uint32_t> opened;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"not named", std::nullopt, {UsableCard(), UsableCard(), UsableCard()}, {2}, 2},
        {"named and usable", 1, {UsableCard(), UsableCard(), UsableCard()}, {1}, 1},
        {"named but unusable",
         1,
         {UsableCard(), CardWithoutMicVolume(), CardWithoutMicVolume()},
         {1, 2, 0},
         0},
        {"named beyond the count", 3, {UsableCard(), UsableCard(), UsableCard()}, {2}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DevicesRig rig(c.mixers);
        rig.mixer.waveInMixer = c.waveInMixer;
        EXPECT_EQ(rig.devices.FindSoundDevice(DeviceKind::VolumeMixer), c.expected);
        EXPECT_EQ(rig.mixer.opened, c.opened);
        EXPECT_EQ(rig.mixer.waveInQueries, std::vector<std::uint32_t>{platform::kWaveMapper});
    }
}

TEST(MixerSearch, TheMixerStaysOpenUntilTheOwnerGoesAndNothingReachesItAfterwards) {
    DevicesRig rig({UsableCard()});
    {
        keyvoice::CSoundDevices devices(rig.card.WaveIn(), rig.card.WaveOut(), rig.mixer);
        devices.AttachView(rig.view);
        ASSERT_EQ(devices.FindSoundDevice(DeviceKind::VolumeMixer), 0);
        ASSERT_EQ(devices.OpenMixer(), keyvoice::MixerOpenResult::Opened);  // no second open
        EXPECT_EQ(rig.mixer.opened.size(), 1u);
        rig.mixer.SetControlValues(0, kMicVolume, {1, 1});
    }
    EXPECT_EQ(rig.mixer.OpenHandleCount(), 0u);
    rig.dispatcher.RunPending();  // the notice for the destroyed owner is dropped
    EXPECT_EQ(rig.mixer.CallCount(MixerCall::GetControlDetails), 0u);
}

}  // namespace
}  // namespace keyvoice_devices_test
