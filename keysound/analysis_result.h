#pragma once
// What the voice analysis says about a block of sound.

#include <cstdint>

namespace keyvoice {

enum class SoundClass : std::int32_t {
    Silent = 0,
    Periodic = 1,
    Irregular = 2,
    InBand = 3,
};

struct AnalysisResult {
    SoundClass soundClass = SoundClass::Silent;
    std::int32_t level = 0;  // 0 to 15

    friend bool operator==(const AnalysisResult&, const AnalysisResult&) = default;
};

}  // namespace keyvoice
