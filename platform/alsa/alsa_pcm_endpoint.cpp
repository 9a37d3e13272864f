#include "platform/alsa/alsa_pcm_endpoint.h"

#include <optional>
#include <utility>

#include "platform/audio/wave_caps.h"

namespace zav::platform::alsa {

namespace {

snd_pcm_stream_t StreamOf(PcmDirection direction) {
    return direction == PcmDirection::Capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
}

}  // namespace

AlsaPcmEndpoint::AlsaPcmEndpoint(PcmDirection direction, AlsaErrorLog& errors)
    : direction_(direction), errors_(errors) {}

AlsaPcmEndpoint::~AlsaPcmEndpoint() {
    std::map<std::uint32_t, std::shared_ptr<AlsaPcmStream>> left;
    {
        std::lock_guard lock(mutex_);
        left.swap(streams_);
    }
    left.clear();  // each stream's destructor ends its thread and closes its device
}

std::uint32_t AlsaPcmEndpoint::CountDevices() {
    std::vector<AlsaPcmDevice> devices = ListPcmDevices(StreamOf(direction_));
    std::lock_guard lock(mutex_);
    devices_ = std::move(devices);
    listed_ = true;
    return static_cast<std::uint32_t>(devices_.size());
}

const std::vector<AlsaPcmDevice>& AlsaPcmEndpoint::DevicesLocked() {
    if (!listed_) {
        devices_ = ListPcmDevices(StreamOf(direction_));
        listed_ = true;
    }
    return devices_;
}

MmResult AlsaPcmEndpoint::DeviceCaps(std::uint32_t deviceId, PcmCaps& caps,
                                     std::string& productName) {
    AlsaPcmDevice device;
    {
        std::lock_guard lock(mutex_);
        const std::vector<AlsaPcmDevice>& devices = DevicesLocked();
        if (deviceId >= devices.size())
            return MmResult::BadDeviceId;
        device = devices[deviceId];
    }
    productName = device.productName;
    return ProbePcmCaps(device.name, StreamOf(direction_), errors_, caps);
}

MmResult AlsaPcmEndpoint::RefuseInCallback() {
    return errors_.Note(MmResult::Error, "a wave call was made from inside a device callback");
}

MmResult AlsaPcmEndpoint::Open(std::uint32_t deviceId, const PcmWaveFormat& format,
                               HandleNotify notify, std::uint32_t& handle) {
    handle = 0;
    if (AlsaPcmStream::InCallback())
        return RefuseInCallback();
    const std::optional<PcmSettings> settings = SettingsFor(format);
    if (!settings)
        return MmResult::WaveBadFormat;
    std::string name;
    {
        std::lock_guard lock(mutex_);
        const std::vector<AlsaPcmDevice>& devices = DevicesLocked();
        const std::uint32_t id = deviceId == kWaveMapper ? 0 : deviceId;
        if (id >= devices.size())
            return MmResult::BadDeviceId;
        name = devices[id].name;
    }

    snd_pcm_t* opened = nullptr;
    if (int err = snd_pcm_open(&opened, name.c_str(), StreamOf(direction_), SND_PCM_NONBLOCK);
        err < 0) {
        return errors_.Record(err, "snd_pcm_open \"" + name + "\"", AlsaStep::Open);
    }
    PcmPtr pcm(opened);
    PcmGeometry geometry;
    if (MmResult configured = ConfigurePcm(pcm.get(), *settings, errors_, geometry);
        configured != MmResult::NoError) {
        return configured;
    }

    std::lock_guard lock(mutex_);
    const std::uint32_t opening = nextHandle_++;
    streams_[opening] = std::make_shared<AlsaPcmStream>(
        direction_, std::move(pcm), *settings, geometry,
        [notify = std::move(notify), opening](WaveMessage message, WaveHeader* header) {
            if (notify)
                notify(opening, message, header);
        },
        errors_);
    handle = opening;
    return MmResult::NoError;
}

std::shared_ptr<AlsaPcmStream> AlsaPcmEndpoint::Find(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    auto found = streams_.find(handle);
    return found == streams_.end() ? nullptr : found->second;
}

MmResult AlsaPcmEndpoint::WithStream(std::uint32_t handle,
                                     const std::function<MmResult(AlsaPcmStream& stream)>& call) {
    if (AlsaPcmStream::InCallback())
        return RefuseInCallback();
    const std::shared_ptr<AlsaPcmStream> stream = Find(handle);
    if (!stream)
        return MmResult::InvalHandle;
    return call(*stream);
}

MmResult AlsaPcmEndpoint::Close(std::uint32_t handle) {
    if (AlsaPcmStream::InCallback())
        return RefuseInCallback();
    const std::shared_ptr<AlsaPcmStream> stream = Find(handle);
    if (!stream)
        return MmResult::InvalHandle;
    const MmResult closed = stream->Close();
    if (closed == MmResult::NoError) {
        std::lock_guard lock(mutex_);
        streams_.erase(handle);
    }
    return closed;
}

}  // namespace zav::platform::alsa
