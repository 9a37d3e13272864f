#include "platform/alsa/alsa_pcm_devices.h"

#include <algorithm>
#include <array>

#include "platform/alsa/alsa_handles.h"
#include "platform/alsa/alsa_pcm_format.h"
#include "platform/audio/wave_caps.h"

namespace zav::platform::alsa {

namespace {

std::string ProductName(std::string name) {
    if (name.size() > kMaxProductNameLength)
        name.resize(kMaxProductNameLength);
    return name;
}

bool CanOpen(const char* name, snd_pcm_stream_t stream) {
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name, stream, SND_PCM_NONBLOCK) < 0)
        return false;
    snd_pcm_close(pcm);
    return true;
}

// The PCM devices of one card that have the direction asked for.
void ListCardDevices(int card, snd_pcm_stream_t stream, std::vector<AlsaPcmDevice>& devices) {
    const std::string ctlName = "hw:" + std::to_string(card);
    snd_ctl_t* opened = nullptr;
    if (snd_ctl_open(&opened, ctlName.c_str(), 0) < 0)
        return;
    CtlPtr ctl(opened);
    CardInfoPtr cardInfo = NewCardInfo();
    PcmInfoPtr pcmInfo = NewPcmInfo();
    if (!cardInfo || !pcmInfo || snd_ctl_card_info(ctl.get(), cardInfo.get()) < 0)
        return;
    const std::string cardName = snd_ctl_card_info_get_name(cardInfo.get());
    int device = -1;
    while (snd_ctl_pcm_next_device(ctl.get(), &device) >= 0 && device >= 0) {
        snd_pcm_info_set_device(pcmInfo.get(), static_cast<unsigned>(device));
        snd_pcm_info_set_subdevice(pcmInfo.get(), 0);
        snd_pcm_info_set_stream(pcmInfo.get(), stream);
        if (snd_ctl_pcm_info(ctl.get(), pcmInfo.get()) < 0)
            continue;  // no such direction on this device
        devices.push_back(
            AlsaPcmDevice{"plughw:" + std::to_string(card) + "," + std::to_string(device),
                          ProductName(cardName + ": " + snd_pcm_info_get_name(pcmInfo.get()))});
    }
}

}  // namespace

std::string DefaultCardName() {
    snd_ctl_t* opened = nullptr;
    if (snd_ctl_open(&opened, kDefaultDeviceName, 0) < 0)
        return {};
    CtlPtr ctl(opened);
    CardInfoPtr info = NewCardInfo();
    if (!info || snd_ctl_card_info(ctl.get(), info.get()) < 0)
        return {};
    return snd_ctl_card_info_get_name(info.get());
}

std::vector<AlsaPcmDevice> ListPcmDevices(snd_pcm_stream_t stream) {
    std::vector<AlsaPcmDevice> devices;
    if (CanOpen(kDefaultDeviceName, stream)) {
        std::string card = DefaultCardName();
        devices.push_back(
            AlsaPcmDevice{kDefaultDeviceName, ProductName(card.empty() ? "Default" : card)});
    }
    int card = -1;
    while (snd_card_next(&card) >= 0 && card >= 0)
        ListCardDevices(card, stream, devices);
    return devices;
}

std::uint32_t StandardFormats(const FormatTest& test) {
    constexpr std::array<std::uint32_t, 3> kRates = {11025, 22050, 44100};
    constexpr std::array<std::uint16_t, 2> kChannels = {1, 2};
    constexpr std::array<std::uint16_t, 2> kBits = {8, 16};
    std::uint32_t formats = 0;
    for (std::uint32_t rate : kRates) {
        for (std::uint16_t channels : kChannels) {
            for (std::uint16_t bits : kBits) {
                if (test(rate, channels, bits))
                    formats |= StandardFormatBit(rate, channels, bits);
            }
        }
    }
    return formats;
}

MmResult ProbePcmCaps(const std::string& name, snd_pcm_stream_t stream, AlsaErrorLog& errors,
                      PcmCaps& caps) {
    caps = {};
    snd_pcm_t* opened = nullptr;
    if (int err = snd_pcm_open(&opened, name.c_str(), stream, SND_PCM_NONBLOCK); err < 0)
        return errors.Record(err, "snd_pcm_open \"" + name + "\"", AlsaStep::Open);
    PcmPtr pcm(opened);
    HwParamsPtr any = NewHwParams();
    HwParamsPtr trial = NewHwParams();
    if (!any || !trial)
        return errors.Note(MmResult::NoMem, "no memory for the device parameters");
    if (int err = snd_pcm_hw_params_any(pcm.get(), any.get()); err < 0)
        return errors.Record(err, "snd_pcm_hw_params_any", AlsaStep::Open);
    snd_pcm_hw_params_set_rate_resample(pcm.get(), any.get(), 1);
    snd_pcm_hw_params_set_access(pcm.get(), any.get(), SND_PCM_ACCESS_RW_INTERLEAVED);

    caps.formats =
        StandardFormats([&](std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
            const snd_pcm_format_t format = bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
            snd_pcm_hw_params_copy(trial.get(), any.get());
            return snd_pcm_hw_params_test_format(pcm.get(), trial.get(), format) == 0 &&
                   snd_pcm_hw_params_set_format(pcm.get(), trial.get(), format) == 0 &&
                   snd_pcm_hw_params_test_channels(pcm.get(), trial.get(), channels) == 0 &&
                   snd_pcm_hw_params_set_channels(pcm.get(), trial.get(), channels) == 0 &&
                   snd_pcm_hw_params_test_rate(pcm.get(), trial.get(), rate, 0) == 0;
        });
    unsigned maxChannels = 0;
    snd_pcm_hw_params_get_channels_max(any.get(), &maxChannels);
    caps.channels = static_cast<std::uint16_t>(std::clamp(maxChannels, 1u, 2u));
    // A sound server without a device behind it still takes any format on paper; only setting
    // the device up shows that nothing will play or record. Such a device takes no format.
    if (caps.formats != 0) {
        const PcmWaveFormat voice{kWaveFormatPcm, 1, 22050, 44100, 2, 16};
        PcmGeometry geometry;
        if (ConfigurePcm(pcm.get(), SettingsFor(voice), errors, geometry) != MmResult::NoError)
            caps.formats = 0;
    }
    return MmResult::NoError;
}

}  // namespace zav::platform::alsa
