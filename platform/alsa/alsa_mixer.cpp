#include "platform/alsa/alsa_mixer.h"

#include "platform/alsa/alsa_handles.h"
#include "platform/alsa/alsa_mixer_session.h"
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

class AlsaMixerDevices final : public MixerBackend {
  public:
    AlsaMixerDevices() { CaptureAlsaMessages(); }

    std::uint32_t CountDevices() override {
        devices_ = ListDevices();
        listed_ = true;
        return static_cast<std::uint32_t>(devices_.size());
    }

    MixerResult MixerOfWaveIn(std::uint32_t waveInId, std::uint32_t& mixerId) override {
        mixerId = 0;
        if (waveInId != kWaveMapper)
            return MixerResult::NotSupported;
        const std::vector<Device>& devices = Devices();
        if (devices.empty() || devices.front().name != kDefaultDeviceName)
            return MixerResult::NoDriver;
        return MixerResult::NoError;
    }

    MixerResult DeviceCaps(std::uint32_t deviceId, MixerCaps& caps) override {
        const std::vector<Device>& devices = Devices();
        if (deviceId >= devices.size())
            return MixerResult::BadDeviceId;
        caps.name = devices[deviceId].cardName;
        caps.destinations = 1;
        return MixerResult::NoError;
    }

    MixerResult OpenSession(std::uint32_t deviceId, MixerChangeReport report,
                            std::unique_ptr<MixerSession>& session) override {
        const std::vector<Device>& devices = Devices();
        if (deviceId >= devices.size())
            return MixerResult::BadDeviceId;
        std::unique_ptr<AlsaMixerSession> opened;
        const MixerResult result = AlsaMixerSession::Open(
            devices[deviceId].name, devices[deviceId].cardName, std::move(report), opened);
        session = std::move(opened);
        return result;
    }

    // Each handle has a session of its own, which hears of the writes made through the others.
    bool EchoesWrites() const override { return true; }

  private:
    struct Device {
        std::string name;      // what snd_mixer_attach takes
        std::string cardName;  // what MixerCaps shows
    };

    const std::vector<Device>& Devices() {
        if (!listed_)
            CountDevices();
        return devices_;
    }

    static std::vector<Device> ListDevices() {
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

    std::vector<Device> devices_;
    bool listed_ = false;
};

}  // namespace

AlsaMixer::AlsaMixer(Dispatcher& dispatcher)
    : MixerCore(std::make_unique<AlsaMixerDevices>(), dispatcher) {}

}  // namespace zav::platform::alsa
