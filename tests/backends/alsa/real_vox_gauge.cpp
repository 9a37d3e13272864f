#include "real_vox_gauge.h"

#include "platform/bytes/little_endian.h"
#include "tests/support/zav_values.h"
#include "voxgauge/resources.h"

namespace alsa_test {

namespace platform = zav::platform;

RealVoxGauge::RealVoxGauge()
    : audio_(std::make_unique<platform::alsa::AlsaAudioSystem>()),
      mixer_(std::make_unique<platform::alsa::AlsaMixer>(Thread())) {}

bool RealVoxGauge::Open() {
    return OpenDialog(voxgauge::MicSetupServices{*audio_, *mixer_, Store(), Thread(), Runner()});
}

int RealVoxGauge::TickAndReadGauge() {
    return Asked([&] {
        Window().Timers().Advance(voxgauge::kLevelTimerPeriodMs);
        return Window().View().Control(voxgauge::kIdcLevelGauge).value;
    });
}

int RealVoxGauge::SliderPosition() {
    return Asked([&] { return Window().View().Control(voxgauge::kIdcMicVolume).position; });
}

bool RealVoxGauge::SliderEnabled() {
    return Asked([&] { return Window().View().Control(voxgauge::kIdcMicVolume).enabled; });
}

std::optional<std::vector<voxgauge::MicEnvRecord>> RealVoxGauge::StoredMicEnv() {
    const std::optional<platform::RegistryValue> value =
        Asked([&] { return zav::test::ZavValue(Store(), voxgauge::kMicEnvValueName); });
    if (!value || value->data.size() % voxgauge::MicEnvRecord::kSize != 0)
        return std::nullopt;
    std::vector<voxgauge::MicEnvRecord> records;
    for (std::size_t at = 0; at < value->data.size(); at += voxgauge::MicEnvRecord::kSize) {
        records.push_back(
            {platform::ReadLe32(value->data, at), platform::ReadLe32(value->data, at + 4),
             platform::ReadLe32(value->data, at + 8), platform::ReadLe32(value->data, at + 12),
             platform::ReadLe32(value->data, at + 16)});
    }
    return records;
}

}  // namespace alsa_test
