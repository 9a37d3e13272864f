#include "platform/winmm/winmm_format.h"

#include <algorithm>
#include <string_view>

#include "platform/audio/wave_caps.h"
#include "platform/win32/wide_text.h"

namespace zav::platform::winmm {

namespace {

// One device buffer holds a fiftieth of a second: short enough that a played sound's end is
// noticed promptly, long enough that eight of them ride out a busy moment.
constexpr std::uint32_t kChunksPerSecond = 50;

// The host's fixed-size name field, up to its first NUL.
template <std::size_t N>
std::string NameOf(const WCHAR (&field)[N]) {
    const std::wstring_view text(field, std::find(field, field + N, L'\0') - field);
    return win32::Utf8FromWide(text);
}

}  // namespace

WAVEFORMATEX ToWaveFormatEx(const PcmWaveFormat& format) {
    WAVEFORMATEX host{};
    host.wFormatTag = WAVE_FORMAT_PCM;
    host.nChannels = format.channels;
    host.nSamplesPerSec = format.samplesPerSec;
    host.nAvgBytesPerSec = format.avgBytesPerSec;
    host.nBlockAlign = format.blockAlign;
    host.wBitsPerSample = format.bitsPerSample;
    host.cbSize = 0;
    return host;
}

std::uint32_t DeviceChunkBytes(const PcmWaveFormat& format) {
    const std::uint32_t block = std::max<std::uint32_t>(format.blockAlign, 1);
    const std::uint32_t frames =
        std::max<std::uint32_t>(format.samplesPerSec / kChunksPerSecond, 1);
    return frames * block;
}

WaveDeviceCaps FromHostCaps(const WAVEINCAPSW& caps) {
    WaveDeviceCaps out;
    out.manufacturerId = caps.wMid;
    out.productId = caps.wPid;
    out.driverVersion = caps.vDriverVersion;
    out.productName = NameOf(caps.szPname);
    out.formats = caps.dwFormats;  // the host's bits, the 48 and 96 kHz ones included
    out.channels = caps.wChannels;
    return out;
}

WaveDeviceCaps FromHostCaps(const WAVEOUTCAPSW& caps) {
    WaveDeviceCaps out;
    out.manufacturerId = caps.wMid;
    out.productId = caps.wPid;
    out.driverVersion = caps.vDriverVersion;
    out.productName = NameOf(caps.szPname);
    out.formats = caps.dwFormats;  // the host's bits, the 48 and 96 kHz ones included
    out.channels = caps.wChannels;
    out.support = caps.dwSupport;
    return out;
}

MmResult ToMmResult(MMRESULT result) {
    const auto mapped = static_cast<MmResult>(result);
    // Only numbers the seam names pass as they are.
    return WaveResultText(mapped).empty() ? MmResult::Error : mapped;
}

}  // namespace zav::platform::winmm
