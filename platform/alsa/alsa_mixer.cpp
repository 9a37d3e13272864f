#include "platform/alsa/alsa_mixer.h"

#include "platform/alsa/alsa_handles.h"
#include "platform/alsa/alsa_pcm_devices.h"
#include "platform/audio/wave_caps.h"

namespace zav::platform::alsa {

namespace {

std::string CardName(const std::string& ctlName) {
    snd_ctl_t* opened = nullptr;
    if (snd_ctl_open(&opened, ctlName.c_str(), 0) < 0)
        return {};
    CtlPtr ctl(opened);
    CardInfoPtr info = NewCardInfo();
    if (!info || snd_ctl_card_info(ctl.get(), info.get()) < 0)
        return {};
    std::string name = snd_ctl_card_info_get_name(info.get());
    if (name.size() > kMaxProductNameLength)
        name.resize(kMaxProductNameLength);
    return name;
}

}  // namespace

AlsaMixer::AlsaMixer(Dispatcher& dispatcher) : dispatcher_(dispatcher) {
    CaptureAlsaMessages();
}

AlsaMixer::~AlsaMixer() {
    sessions_.clear();
}

std::vector<AlsaMixer::Device> AlsaMixer::ListDevices() const {
    std::vector<Device> devices;
    // The default control device exists when its card answers (a sound server, or card 0).
    if (std::string name = CardName(kDefaultDeviceName); !name.empty())
        devices.push_back(Device{kDefaultDeviceName, std::move(name)});
    int card = -1;
    while (snd_card_next(&card) >= 0 && card >= 0) {
        const std::string ctlName = "hw:" + std::to_string(card);
        if (std::string name = CardName(ctlName); !name.empty())
            devices.push_back(Device{ctlName, std::move(name)});
    }
    return devices;
}

std::uint32_t AlsaMixer::GetNumDevs() {
    devices_ = ListDevices();
    listed_ = true;
    return static_cast<std::uint32_t>(devices_.size());
}

MixerResult AlsaMixer::GetIdOfWaveIn(std::uint32_t waveInId, std::uint32_t& mixerId) {
    mixerId = 0;
    if (waveInId != kWaveMapper)
        return MixerResult::NotSupported;
    if (!listed_)
        GetNumDevs();
    if (devices_.empty() || devices_.front().name != kDefaultDeviceName)
        return MixerResult::NoDriver;
    return MixerResult::NoError;
}

MixerResult AlsaMixer::GetDevCaps(std::uint32_t deviceId, MixerCaps& caps) {
    if (!listed_)
        GetNumDevs();
    if (deviceId >= devices_.size())
        return MixerResult::BadDeviceId;
    caps.name = devices_[deviceId].cardName;
    caps.destinations = 1;
    return MixerResult::NoError;
}

AlsaMixerSession* AlsaMixer::Find(MixerHandle mixer) const {
    auto found = sessions_.find(static_cast<std::uintptr_t>(mixer));
    return found == sessions_.end() ? nullptr : found->second.get();
}

MixerResult AlsaMixer::GetDevCaps(MixerHandle mixer, MixerCaps& caps) {
    AlsaMixerSession* session = Find(mixer);
    return session == nullptr ? MixerResult::InvalidHandle : session->Caps(caps);
}

MixerResult AlsaMixer::Open(std::uint32_t deviceId, MixerNotificationSink* sink,
                            MixerHandle& handle) {
    handle = kNullMixer;
    if (!listed_)
        GetNumDevs();
    if (deviceId >= devices_.size())
        return MixerResult::BadDeviceId;
    const auto opening = MixerHandle{nextHandle_};
    std::unique_ptr<AlsaMixerSession> session;
    const MixerResult result =
        AlsaMixerSession::Open(devices_[deviceId].name, opening, sink, dispatcher_, session);
    if (result != MixerResult::NoError)
        return result;
    ++nextHandle_;
    sessions_[static_cast<std::uintptr_t>(opening)] = std::move(session);
    handle = opening;
    return MixerResult::NoError;
}

MixerResult AlsaMixer::Close(MixerHandle mixer) {
    auto found = sessions_.find(static_cast<std::uintptr_t>(mixer));
    if (found == sessions_.end())
        return MixerResult::InvalidHandle;
    sessions_.erase(found);  // stops its watcher; its queued notices are dropped
    return MixerResult::NoError;
}

MixerResult AlsaMixer::GetLineInfo(MixerHandle mixer, LineInfoQuery query, MixerLine& line) {
    AlsaMixerSession* session = Find(mixer);
    return session == nullptr ? MixerResult::InvalidHandle : session->LineInfo(query, line);
}

MixerResult AlsaMixer::GetLineControls(MixerHandle mixer, LineControlsQuery query,
                                       MixerLineControls& request) {
    AlsaMixerSession* session = Find(mixer);
    return session == nullptr ? MixerResult::InvalidHandle : session->LineControls(query, request);
}

MixerResult AlsaMixer::GetControlDetails(MixerHandle mixer, ControlDetailsQuery query,
                                         MixerControlDetails& details) {
    AlsaMixerSession* session = Find(mixer);
    return session == nullptr ? MixerResult::InvalidHandle : session->Details(query, details);
}

MixerResult AlsaMixer::SetControlDetails(MixerHandle mixer, ControlDetailsSet how,
                                         const MixerControlDetails& details) {
    AlsaMixerSession* session = Find(mixer);
    return session == nullptr ? MixerResult::InvalidHandle : session->SetDetails(how, details);
}

}  // namespace zav::platform::alsa
