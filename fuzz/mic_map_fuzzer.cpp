// Stores a MicMap value of arbitrary type and data: the capture engine takes it only when it
// is a binary value of exactly sixteen little-endian 32-bit thresholds, and keeps its built-in
// map otherwise. ResetMicMap always brings the built-in map back.

#include <cstdint>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_inputs.h"
#include "keysound/config_store.h"
#include "platform/audio/no_audio_system.h"
#include "platform/testing/memory_registry.h"
#include "voxgauge/mic_capture.h"

namespace {

using voxgauge::MicMap;
using zav::fuzz::Require;
using zav::platform::ValueType;

// What a stored value should give, decoded here byte by byte rather than with the engine's
// little-endian helpers.
MicMap ExpectedMap(const zav::fuzz::MicMapInput& input) {
    MicMap map = voxgauge::kDefaultMicMap;
    if (input.type != ValueType::Binary || input.data.size() != sizeof(MicMap))
        return map;
    for (std::size_t i = 0; i < map.size(); ++i) {
        std::uint32_t word = 0;
        for (std::size_t byte = sizeof(std::int32_t); byte-- > 0;)
            word = (word << 8) | input.data[i * sizeof(std::int32_t) + byte];
        map[i] = static_cast<std::int32_t>(word);
    }
    return map;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = zav::fuzz::DecodeMicMapInput({data, size});
    if (!input)
        return 0;
    zav::platform::sim::MemoryRegistry registry;
    zav::platform::RegistryKey key;
    registry.CreateKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, zav::platform::Access::All, key);
    key.Set(voxgauge::kMicMapValueName, input->type, input->data);

    zav::platform::NoAudioSystem audio;
    voxgauge::CMicCapture capture(audio.WaveIn(), registry);
    Require(capture.CurrentMicMap() == ExpectedMap(*input),
            "only a binary MicMap of 16 thresholds replaces the built-in map");
    capture.ResetMicMap();
    Require(capture.CurrentMicMap() == voxgauge::kDefaultMicMap,
            "ResetMicMap restores the built-in map");
    return 0;
}
