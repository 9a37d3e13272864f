#pragma once
// Owning handles for ALSA's objects, so that every path out of a function closes or frees them.

#include <alsa/asoundlib.h>

#include <memory>

namespace zav::platform::alsa {

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using PcmPtr = std::unique_ptr<snd_pcm_t, PcmCloser>;

struct HwParamsFree {
    void operator()(snd_pcm_hw_params_t* params) const { snd_pcm_hw_params_free(params); }
};
using HwParamsPtr = std::unique_ptr<snd_pcm_hw_params_t, HwParamsFree>;

struct SwParamsFree {
    void operator()(snd_pcm_sw_params_t* params) const { snd_pcm_sw_params_free(params); }
};
using SwParamsPtr = std::unique_ptr<snd_pcm_sw_params_t, SwParamsFree>;

struct CtlCloser {
    void operator()(snd_ctl_t* ctl) const { snd_ctl_close(ctl); }
};
using CtlPtr = std::unique_ptr<snd_ctl_t, CtlCloser>;

struct CardInfoFree {
    void operator()(snd_ctl_card_info_t* info) const { snd_ctl_card_info_free(info); }
};
using CardInfoPtr = std::unique_ptr<snd_ctl_card_info_t, CardInfoFree>;

struct PcmInfoFree {
    void operator()(snd_pcm_info_t* info) const { snd_pcm_info_free(info); }
};
using PcmInfoPtr = std::unique_ptr<snd_pcm_info_t, PcmInfoFree>;

struct MixerCloser {
    void operator()(snd_mixer_t* mixer) const { snd_mixer_close(mixer); }
};
using MixerPtr = std::unique_ptr<snd_mixer_t, MixerCloser>;

// Allocators that give nullptr when ALSA runs out of memory.
inline HwParamsPtr NewHwParams() {
    snd_pcm_hw_params_t* params = nullptr;
    return HwParamsPtr(snd_pcm_hw_params_malloc(&params) < 0 ? nullptr : params);
}
inline SwParamsPtr NewSwParams() {
    snd_pcm_sw_params_t* params = nullptr;
    return SwParamsPtr(snd_pcm_sw_params_malloc(&params) < 0 ? nullptr : params);
}
inline CardInfoPtr NewCardInfo() {
    snd_ctl_card_info_t* info = nullptr;
    return CardInfoPtr(snd_ctl_card_info_malloc(&info) < 0 ? nullptr : info);
}
inline PcmInfoPtr NewPcmInfo() {
    snd_pcm_info_t* info = nullptr;
    return PcmInfoPtr(snd_pcm_info_malloc(&info) < 0 ? nullptr : info);
}

}  // namespace zav::platform::alsa
