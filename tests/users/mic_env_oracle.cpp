#include "tests/users/mic_env_oracle.h"

namespace random_user {

namespace platform = zav::platform;
namespace sim = zav::platform::sim;

namespace {

void PutU32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutControls(std::vector<std::uint8_t>& bytes, const sim::SimLine& line,
                 const sim::SimMixer& mixer) {
    for (const sim::SimControl& control : line.controls) {
        const std::uint32_t channels =
            (control.flags & platform::kControlUniform) != 0 ? 1 : line.channels;
        const std::uint32_t items =
            (control.flags & platform::kControlMultiple) != 0 ? control.items : 1;
        // Values the mixer was never given read as 0.
        std::vector<std::uint32_t> values =
            mixer.ControlValues(0, control.id).value_or(std::vector<std::uint32_t>{});
        values.resize(std::size_t{channels} * items);
        for (const std::uint32_t value : values) {
            PutU32(bytes, channels);
            PutU32(bytes, items);
            PutU32(bytes, control.id);
            PutU32(bytes, value);
            PutU32(bytes, 0);
        }
    }
}

}  // namespace

std::vector<std::uint8_t> ExpectedMicEnv(const sim::MixerTopology& topology,
                                         const sim::SimMixer& mixer) {
    std::vector<std::uint8_t> bytes;
    for (const sim::SimDestination& destination : topology.devices.at(0).destinations) {
        if (destination.line.type == platform::ComponentType::DstWaveIn)
            PutControls(bytes, destination.line, mixer);
        for (const sim::SimLine& source : destination.sources) {
            if (source.type == platform::ComponentType::SrcMicrophone)
                PutControls(bytes, source, mixer);
        }
    }
    return bytes;
}

}  // namespace random_user
