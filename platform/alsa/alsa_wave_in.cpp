#include "platform/alsa/alsa_wave_in.h"

#include <utility>

namespace zav::platform::alsa {

std::uint32_t AlsaWaveIn::GetNumDevs() {
    return endpoint_.CountDevices();
}

MmResult AlsaWaveIn::GetDevCaps(std::uint32_t deviceId, WaveInCaps& caps) {
    PcmCaps found;
    std::string name;
    const MmResult result = endpoint_.DeviceCaps(deviceId, found, name);
    if (result != MmResult::NoError)
        return result;
    caps = WaveInCaps{};
    caps.productName = std::move(name);
    caps.formats = found.formats;
    caps.channels = found.channels;
    return MmResult::NoError;
}

MmResult AlsaWaveIn::Open(WaveInHandle& handle, std::uint32_t deviceId, const PcmWaveFormat& format,
                          WaveInCallback callback) {
    std::uint32_t opened = 0;
    const MmResult result = endpoint_.Open(
        deviceId, format,
        [callback = std::move(callback)](std::uint32_t id, WaveMessage message,
                                         WaveHeader* header) {
            if (callback)
                callback(WaveInHandle{id}, message, header);
        },
        opened);
    handle = WaveInHandle{opened};
    return result;
}

MmResult AlsaWaveIn::PrepareHeader(WaveInHandle handle, WaveHeader& header) {
    return endpoint_.WithStream(handle.value,
                                [&](AlsaPcmStream& stream) { return stream.Prepare(header); });
}

MmResult AlsaWaveIn::UnprepareHeader(WaveInHandle handle, WaveHeader& header) {
    return endpoint_.WithStream(handle.value,
                                [&](AlsaPcmStream& stream) { return stream.Unprepare(header); });
}

MmResult AlsaWaveIn::AddBuffer(WaveInHandle handle, WaveHeader& header) {
    return endpoint_.WithStream(handle.value,
                                [&](AlsaPcmStream& stream) { return stream.Queue(header); });
}

MmResult AlsaWaveIn::Start(WaveInHandle handle) {
    return endpoint_.WithStream(handle.value, [](AlsaPcmStream& stream) { return stream.Start(); });
}

MmResult AlsaWaveIn::Stop(WaveInHandle handle) {
    return endpoint_.WithStream(handle.value, [](AlsaPcmStream& stream) { return stream.Stop(); });
}

MmResult AlsaWaveIn::Reset(WaveInHandle handle) {
    return endpoint_.WithStream(handle.value, [](AlsaPcmStream& stream) { return stream.Reset(); });
}

MmResult AlsaWaveIn::GetPosition(WaveInHandle handle, std::uint32_t& bytes) {
    return endpoint_.WithStream(handle.value,
                                [&](AlsaPcmStream& stream) { return stream.Position(bytes); });
}

MmResult AlsaWaveIn::Close(WaveInHandle handle) {
    return endpoint_.Close(handle.value);
}

MmResult AlsaWaveIn::GetErrorText(MmResult result, std::string& text) {
    return endpoint_.errors().Describe(result, text);
}

}  // namespace zav::platform::alsa
