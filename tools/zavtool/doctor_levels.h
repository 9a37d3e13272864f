#pragma once
// What a capture from the microphone says: peak and RMS level in dBFS (0 dBFS is a full-scale
// 16-bit sample, 32768), digital silence, clipping and a constant offset, and the doctor's
// judgement of them.
//
// Thread: any.

#include <cstddef>
#include <cstdint>
#include <span>

#include "tools/zavtool/doctor_findings.h"

namespace zavtool {

struct CaptureLevels {
    std::size_t samples = 0;
    double peakDbfs = 0;      // -infinity when every sample is 0
    double rmsDbfs = 0;       // the same
    double offset = 0;        // the mean sample, as a fraction of full scale
    std::size_t clipped = 0;  // samples at either end of the 16-bit range
};

CaptureLevels MeasureLevels(std::span<const std::int16_t> samples);

// A peak below this is a noise floor: nothing louder than the microphone's own hiss was heard.
inline constexpr double kNoiseFloorDbfs = -50.0;

// The "levels" finding: digital silence and a noise floor are problems and warnings, clipping
// (more than one sample in a thousand at full scale) and an offset above 1 % of full scale
// warnings.
Finding JudgeLevels(const CaptureLevels& levels);

}  // namespace zavtool
