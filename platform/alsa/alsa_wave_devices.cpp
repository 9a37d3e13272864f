#include "platform/alsa/alsa_wave_devices.h"

#include <utility>

#include "platform/audio/wave_caps.h"

namespace zav::platform::alsa {

namespace {

snd_pcm_stream_t StreamOf(PcmDirection direction) {
    return direction == PcmDirection::Capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
}

}  // namespace

std::uint32_t AlsaWaveDevices::CountDevices() {
    {
        std::lock_guard lock(listMutex_);
        if (std::exchange(countFromList_, false))
            return static_cast<std::uint32_t>(devices_.size());
    }
    std::vector<AlsaPcmDevice> devices = ListPcmDevices(StreamOf(direction_));
    std::lock_guard lock(listMutex_);
    devices_ = std::move(devices);
    listed_ = true;
    return static_cast<std::uint32_t>(devices_.size());
}

std::uint32_t AlsaWaveDevices::ListForFirstCount() {
    const std::uint32_t count = CountDevices();
    std::lock_guard lock(listMutex_);
    countFromList_ = true;
    return count;
}

bool AlsaWaveDevices::FindDevice(std::uint32_t deviceId, AlsaPcmDevice& device) {
    std::lock_guard lock(listMutex_);
    if (!listed_) {
        devices_ = ListPcmDevices(StreamOf(direction_));
        listed_ = true;
    }
    if (deviceId >= devices_.size())
        return false;
    device = devices_[deviceId];
    return true;
}

MmResult AlsaWaveDevices::DeviceCaps(std::uint32_t deviceId, WaveDeviceCaps& caps) {
    AlsaPcmDevice device;
    if (!FindDevice(deviceId, device))
        return MmResult::BadDeviceId;
    PcmCaps found;
    if (const MmResult probed = ProbePcmCaps(device.name, StreamOf(direction_), errors_, found);
        probed != MmResult::NoError) {
        return probed;
    }
    caps = WaveDeviceCaps{};
    caps.productName = std::move(device.productName);
    caps.formats = found.formats;
    caps.channels = found.channels;
    // Output positions come from the device's own delay, to the sample.
    if (direction_ == PcmDirection::Playback)
        caps.support = kWaveCapsSampleAccurate;
    return MmResult::NoError;
}

MmResult AlsaWaveDevices::OpenDevice(std::uint32_t deviceId, const PcmWaveFormat& format,
                                     WaveStream& stream, std::unique_ptr<WavePump>& pump) {
    const PcmSettings settings = SettingsFor(format);
    AlsaPcmDevice device;
    if (!FindDevice(deviceId == kWaveMapper ? 0 : deviceId, device))
        return MmResult::BadDeviceId;

    snd_pcm_t* opened = nullptr;
    if (int err =
            snd_pcm_open(&opened, device.name.c_str(), StreamOf(direction_), SND_PCM_NONBLOCK);
        err < 0) {
        return errors_.Record(err, "snd_pcm_open \"" + device.name + "\"", AlsaStep::Open);
    }
    PcmPtr pcm(opened);
    PcmGeometry geometry;
    if (MmResult configured = ConfigurePcm(pcm.get(), settings, errors_, geometry);
        configured != MmResult::NoError) {
        return configured;
    }
    pump = std::make_unique<AlsaPcmPump>(stream, std::move(pcm), settings, geometry, errors_);
    return MmResult::NoError;
}

MmResult AlsaWaveDevices::ErrorText(MmResult result, std::string& text) {
    return errors_.Describe(result, text);
}

}  // namespace zav::platform::alsa
