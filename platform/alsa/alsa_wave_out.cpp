#include "platform/alsa/alsa_wave_out.h"

#include <utility>

namespace zav::platform::alsa {

std::uint32_t AlsaWaveOut::GetNumDevs() {
    return endpoint_.CountDevices();
}

MmResult AlsaWaveOut::GetDevCaps(std::uint32_t deviceId, WaveOutCaps& caps) {
    PcmCaps found;
    std::string name;
    const MmResult result = endpoint_.DeviceCaps(deviceId, found, name);
    if (result != MmResult::NoError)
        return result;
    caps = WaveOutCaps{};
    caps.productName = std::move(name);
    caps.formats = found.formats;
    caps.channels = found.channels;
    // Positions come from the device's own delay, to the sample.
    caps.support = kWaveCapsSampleAccurate;
    return MmResult::NoError;
}

MmResult AlsaWaveOut::Open(WaveOutHandle& handle, std::uint32_t deviceId,
                           const PcmWaveFormat& format, WaveOutCallback callback) {
    std::uint32_t opened = 0;
    const MmResult result = endpoint_.Open(
        deviceId, format,
        [callback = std::move(callback)](std::uint32_t id, WaveMessage message,
                                         WaveHeader* header) {
            if (callback)
                callback(WaveOutHandle{id}, message, header);
        },
        opened);
    handle = WaveOutHandle{opened};
    return result;
}

MmResult AlsaWaveOut::PrepareHeader(WaveOutHandle handle, WaveHeader& header) {
    return endpoint_.WithStream(handle.value,
                                [&](AlsaPcmStream& stream) { return stream.Prepare(header); });
}

MmResult AlsaWaveOut::UnprepareHeader(WaveOutHandle handle, WaveHeader& header) {
    return endpoint_.WithStream(handle.value,
                                [&](AlsaPcmStream& stream) { return stream.Unprepare(header); });
}

MmResult AlsaWaveOut::Write(WaveOutHandle handle, WaveHeader& header) {
    return endpoint_.WithStream(handle.value,
                                [&](AlsaPcmStream& stream) { return stream.Queue(header); });
}

MmResult AlsaWaveOut::GetPosition(WaveOutHandle handle, std::uint32_t& bytes) {
    return endpoint_.WithStream(handle.value,
                                [&](AlsaPcmStream& stream) { return stream.Position(bytes); });
}

MmResult AlsaWaveOut::Reset(WaveOutHandle handle) {
    return endpoint_.WithStream(handle.value, [](AlsaPcmStream& stream) { return stream.Reset(); });
}

MmResult AlsaWaveOut::Close(WaveOutHandle handle) {
    return endpoint_.Close(handle.value);
}

MmResult AlsaWaveOut::GetErrorText(MmResult result, std::string& text) {
    return endpoint_.errors().Describe(result, text);
}

}  // namespace zav::platform::alsa
