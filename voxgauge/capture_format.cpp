#include "voxgauge/capture_format.h"

namespace voxgauge {

namespace {

constexpr std::uint32_t kPlainRateCode = 8;
constexpr std::uint32_t kPlainRate = 8000;
constexpr std::uint32_t kRateStepCode = 11;
constexpr std::uint32_t kRateStep = 11025;
constexpr std::uint32_t kChannelDivisor = 50;
constexpr std::uint32_t kLargeByteRate = 32768;
constexpr std::uint32_t kSmallBufferLength = 4096;
constexpr std::uint32_t kBuffersPerSecond = 8;

}  // namespace

zav::platform::PcmWaveFormat FormatFromCode(std::uint32_t code) {
    zav::platform::PcmWaveFormat format;
    format.formatTag = zav::platform::kWaveFormatPcm;
    const std::uint32_t thousands = code / 1000;
    format.samplesPerSec =
        thousands == kPlainRateCode ? kPlainRate : thousands / kRateStepCode * kRateStep;
    format.bitsPerSample = static_cast<std::uint16_t>(code % 100);
    format.channels = static_cast<std::uint16_t>(code % 1000 / kChannelDivisor);
    if (format.bitsPerSample % 8 == 0) {
        format.blockAlign = static_cast<std::uint16_t>(format.channels * format.bitsPerSample / 8);
    }
    format.avgBytesPerSec = format.samplesPerSec * format.blockAlign;
    return format;
}

std::uint32_t CaptureBufferLength(const zav::platform::PcmWaveFormat& format) {
    std::uint32_t length = format.avgBytesPerSec >= kLargeByteRate
                               ? format.avgBytesPerSec / kBuffersPerSecond
                               : kSmallBufferLength;
    // A format without a block align has no frames to round to.
    if (format.blockAlign != 0)
        length -= length % format.blockAlign;
    return length;
}

}  // namespace voxgauge
