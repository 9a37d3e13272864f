// The search for the wave devices that take 22.05 kHz mono 16-bit.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/keyvoice/devices/devices_rig.h"

namespace keyvoice_devices_test {
namespace {

using keyvoice::DeviceKind;
using keyvoice::StringId;
using zav::platform::WaveCall;
using zav::platform::WaveDirection;

constexpr std::uint32_t kWithFormat = platform::kAllStandardFormats;
// Everything else a card may offer, stereo at the same rate included.
constexpr std::uint32_t kWithoutFormat = platform::kAllStandardFormats & ~platform::kWaveFormat2M16;

sim::SimCardConfig CardWith(DeviceKind kind, const std::vector<std::uint32_t>& formats) {
    sim::SimCardConfig config;
    config.inputs.clear();
    config.outputs.clear();
    for (std::uint32_t bits : formats) {
        if (kind == DeviceKind::PlayDevice) {
            config.outputs.push_back(sim::DefaultSimOutputCaps());
            config.outputs.back().formats = bits;
        } else {
            config.inputs.push_back(sim::DefaultSimInputCaps());
            config.inputs.back().formats = bits;
        }
    }
    return config;
}

TEST(WaveDeviceSearch, TheHighestUsableDeviceWinsAndNoneShowsTheKindsError) {
    struct Case {
        const char* what;
        std::vector<std::uint32_t> formats;
        bool device1CapsFail;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"only device 0 usable", {kWithFormat, kWithoutFormat}, false, 0},
        {"both usable", {kWithFormat, kWithFormat}, false, 1},
        {"device 1 cannot describe itself", {kWithFormat, kWithFormat}, true, 0},
        {"none usable", {kWithoutFormat, kWithoutFormat}, false, keyvoice::kNoDevice},
        {"no device", {}, false, keyvoice::kNoDevice},
    };
    const struct {
        DeviceKind kind;
        platform::WaveDirection direction;  // whose GetDevCaps fails
        StringId notFound;
    } kinds[] = {
        {DeviceKind::PlayDevice, WaveDirection::Out, StringId::NoPlayDevice},
        {DeviceKind::RecordDevice, WaveDirection::In, StringId::NoRecordDevice},
    };
    for (const auto& kind : kinds) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + ", kind " +
                         std::to_string(static_cast<int>(kind.kind)));
            DevicesRig rig({}, CardWith(kind.kind, c.formats));
            if (c.device1CapsFail)
                rig.card.FailCall(kind.direction, WaveCall::GetDevCaps,
                                  platform::MmResult::Error);  // the first asked

            EXPECT_EQ(rig.devices.FindSoundDevice(kind.kind), c.expected);
            if (c.expected != keyvoice::kNoDevice) {
                EXPECT_TRUE(rig.boxes.shown.empty());
                continue;
            }
            ASSERT_EQ(rig.boxes.shown.size(), 1u);
            EXPECT_EQ(rig.boxes.shown[0].text, keyvoice::LoadString(kind.notFound));
            EXPECT_EQ(rig.boxes.shown[0].caption, "Error");
            EXPECT_EQ(rig.boxes.shown[0].style.Bits(), 0x10u);  // OK, error icon
        }
    }
}

TEST(WaveDeviceSearch, AnUnknownKindFindsNothingSilently) {
    DevicesRig rig({UsableCard()});
    EXPECT_EQ(rig.devices.FindSoundDevice(static_cast<DeviceKind>(4)), keyvoice::kNoDevice);
    EXPECT_TRUE(rig.boxes.shown.empty());
    EXPECT_EQ(rig.mixer.CallLog().size(), 0u);
    EXPECT_EQ(rig.card.CallCount(WaveDirection::Out, WaveCall::GetNumDevs), 0u);
}

}  // namespace
}  // namespace keyvoice_devices_test
