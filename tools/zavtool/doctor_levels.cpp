#include "tools/zavtool/doctor_levels.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace zavtool {

namespace {

constexpr double kFullScale = 32768.0;
constexpr double kClippedShare = 0.001;
constexpr double kOffsetLimit = 0.01;

double Dbfs(double amplitude) {
    if (amplitude <= 0)
        return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(amplitude / kFullScale);
}

std::string Decibels(double dbfs) {
    if (!std::isfinite(dbfs))
        return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dBFS", dbfs);
    return text;
}

}  // namespace

CaptureLevels MeasureLevels(std::span<const std::int16_t> samples) {
    CaptureLevels levels;
    levels.samples = samples.size();
    if (samples.empty()) {
        levels.peakDbfs = levels.rmsDbfs = Dbfs(0);
        return levels;
    }
    int peak = 0;
    double squares = 0;
    double sum = 0;
    for (std::int16_t sample : samples) {
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
        squares += static_cast<double>(sample) * sample;
        sum += sample;
        if (sample == std::numeric_limits<std::int16_t>::max() ||
            sample == std::numeric_limits<std::int16_t>::min()) {
            ++levels.clipped;
        }
    }
    const auto count = static_cast<double>(samples.size());
    levels.peakDbfs = Dbfs(peak);
    levels.rmsDbfs = Dbfs(std::sqrt(squares / count));
    levels.offset = sum / count / kFullScale;
    return levels;
}

Finding JudgeLevels(const CaptureLevels& levels) {
    Finding finding{"sound", "levels", Severity::Ok, {}, {}, {}};
    finding.facts = {{"peak_dbfs", levels.peakDbfs},
                     {"rms_dbfs", levels.rmsDbfs},
                     {"offset", levels.offset},
                     {"clipped_samples", static_cast<std::int64_t>(levels.clipped)},
                     {"samples", static_cast<std::int64_t>(levels.samples)}};
    finding.detail = "peak " + Decibels(levels.peakDbfs) + ", RMS " + Decibels(levels.rmsDbfs);
    if (!std::isfinite(levels.peakDbfs)) {
        finding.severity = Severity::Problem;
        finding.detail = "silent microphone: every sample was 0 (digital silence)";
        finding.advice =
            "Nothing reaches the recording: unmute the microphone, raise its volume, and check "
            "that the system records from the microphone and not from another source.";
        return finding;
    }
    if (levels.peakDbfs < kNoiseFloorDbfs) {
        finding.severity = Severity::Warning;
        finding.detail += ": only a noise floor, nothing louder was heard";
        finding.advice =
            "Speak into the microphone during the check; if it stays this low, raise the "
            "microphone's volume or check that it is plugged in.";
        return finding;
    }
    std::string trouble;
    if (static_cast<double>(levels.clipped) > kClippedShare * static_cast<double>(levels.samples)) {
        finding.severity = Severity::Warning;
        trouble += ", clipping: " + std::to_string(levels.clipped) + " samples at full scale";
        finding.advice =
            "Lower the microphone's recording volume (VoxGauge's slider) until the "
            "loudest speech stays below full scale.";
    }
    if (std::abs(levels.offset) > kOffsetLimit) {
        char text[64];
        std::snprintf(text, sizeof text, ", a constant offset of %.1f %% of full scale",
                      levels.offset * 100.0);
        trouble += text;
        if (finding.severity == Severity::Ok)
            finding.advice =
                "The sound card adds a constant offset: try another input or "
                "microphone; the game's voice analysis follows it less well.";
        finding.severity = Severity::Warning;
    }
    finding.detail += trouble;
    return finding;
}

}  // namespace zavtool
