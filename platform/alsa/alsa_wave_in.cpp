#include "platform/alsa/alsa_wave_in.h"

namespace zav::platform::alsa {

MmResult AlsaWaveIn::AddBuffer(WaveInHandle handle, WaveHeader& header) {
    return Queue(handle, header);
}

MmResult AlsaWaveIn::Start(WaveInHandle handle) {
    return WithStream(handle, [](AlsaPcmStream& stream) { return stream.Start(); });
}

MmResult AlsaWaveIn::Stop(WaveInHandle handle) {
    return WithStream(handle, [](AlsaPcmStream& stream) { return stream.Stop(); });
}

}  // namespace zav::platform::alsa
