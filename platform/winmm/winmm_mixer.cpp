#include "platform/winmm/winmm_mixer.h"

#include <mmddk.h>

#include <algorithm>
#include <vector>

#include "platform/audio/wave_caps.h"
#include "platform/win32/wide_text.h"
#include "platform/winmm/winmm_mixer_records.h"

namespace zav::platform::winmm {

namespace {

HMIXEROBJ ObjectOf(HMIXER host) {
    return reinterpret_cast<HMIXEROBJ>(host);
}

MixerCaps FromHostCaps(const MIXERCAPSW& host) {
    const std::wstring_view name(
        host.szPname, std::find(host.szPname, std::end(host.szPname), L'\0') - host.szPname);
    return MixerCaps{win32::Utf8FromWide(name), host.cDestinations};
}

}  // namespace

WinmmMixer::WinmmMixer(Dispatcher& dispatcher)
    : handles_(
          dispatcher,
          [this](MixerHandle mixer, std::uint32_t controlId, std::vector<std::uint32_t>& values) {
              return ReadControlValues(*this, mixer, controlId, values);
          },
          true) {}

WinmmMixer::~WinmmMixer() {
    std::map<std::uintptr_t, HMIXER> open;
    {
        std::lock_guard lock(mutex_);
        open.swap(hosts_);
    }
    for (const auto& [handle, host] : open) {
        handles_.Remove(MixerHandle{handle});
        ::mixerClose(host);
    }
    window_.reset();  // no notice comes after this
}

std::uint32_t WinmmMixer::GetNumDevs() {
    return ::mixerGetNumDevs();
}

MixerResult WinmmMixer::GetIdOfWaveIn(std::uint32_t waveInId, std::uint32_t& mixerId) {
    mixerId = 0;
    UINT_PTR waveIn = waveInId;
    if (waveInId == kWaveMapper) {
        // The system does not map its mapper to a mixer; its preferred device it does.
        DWORD preferred = 0;
        DWORD status = 0;
        const MMRESULT asked = ::waveInMessage(
            reinterpret_cast<HWAVEIN>(UINT_PTR{WAVE_MAPPER}), DRVM_MAPPER_PREFERRED_GET,
            reinterpret_cast<DWORD_PTR>(&preferred), reinterpret_cast<DWORD_PTR>(&status));
        // Wine names no device (-1) when the default one is preferred; it numbers that one 0.
        const bool named = asked == MMSYSERR_NOERROR && preferred < ::waveInGetNumDevs();
        waveIn = named ? preferred : 0;
    }
    UINT found = 0;
    const MMRESULT mapped =
        ::mixerGetID(reinterpret_cast<HMIXEROBJ>(waveIn), &found, MIXER_OBJECTF_WAVEIN);
    if (mapped != MMSYSERR_NOERROR)
        return ToMixerResult(mapped);
    mixerId = found;
    return MixerResult::NoError;
}

MixerResult WinmmMixer::GetDevCaps(std::uint32_t deviceId, MixerCaps& caps) {
    MIXERCAPSW host{};
    if (const MMRESULT asked = ::mixerGetDevCapsW(deviceId, &host, sizeof host);
        asked != MMSYSERR_NOERROR) {
        return ToMixerResult(asked);
    }
    caps = FromHostCaps(host);
    return MixerResult::NoError;
}

MixerResult WinmmMixer::GetDevCaps(MixerHandle mixer, MixerCaps& caps) {
    const HMIXER host = HostOf(mixer);
    if (host == nullptr)
        return MixerResult::InvalidHandle;
    MIXERCAPSW found{};
    // The call takes an open handle in place of a device number.
    if (const MMRESULT asked =
            ::mixerGetDevCapsW(reinterpret_cast<UINT_PTR>(host), &found, sizeof found);
        asked != MMSYSERR_NOERROR) {
        return ToMixerResult(asked);
    }
    caps = FromHostCaps(found);
    return MixerResult::NoError;
}

MixerResult WinmmMixer::Open(std::uint32_t deviceId, MixerNotificationSink* sink,
                             MixerHandle& handle) {
    handle = kNullMixer;
    DWORD_PTR callback = 0;
    DWORD flags = MIXER_OBJECTF_MIXER;
    if (sink != nullptr) {
        if (!window_) {
            window_ =
                std::make_unique<NoticeWindow>([this](MixerChange change, HMIXER host, DWORD id) {
                    OnSystemNotice(change, host, id);
                });
        }
        if (window_->Get() == nullptr)
            return MixerResult::NoMemory;
        callback = reinterpret_cast<DWORD_PTR>(window_->Get());
        flags |= CALLBACK_WINDOW;
    }
    HMIXER host = nullptr;
    if (const MMRESULT opened = ::mixerOpen(&host, deviceId, callback, 0, flags);
        opened != MMSYSERR_NOERROR) {
        return ToMixerResult(opened);
    }
    std::lock_guard lock(mutex_);
    handle = handles_.Add(deviceId, sink);
    hosts_[static_cast<std::uintptr_t>(handle)] = host;
    return MixerResult::NoError;
}

MixerResult WinmmMixer::Close(MixerHandle mixer) {
    HMIXER host = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (!handles_.Remove(mixer))
            return MixerResult::InvalidHandle;  // notices still queued for it are dropped
        host = hosts_[static_cast<std::uintptr_t>(mixer)];
        hosts_.erase(static_cast<std::uintptr_t>(mixer));
    }
    return ToMixerResult(::mixerClose(host));
}

HMIXER WinmmMixer::HostOf(MixerHandle mixer) {
    std::lock_guard lock(mutex_);
    auto found = hosts_.find(static_cast<std::uintptr_t>(mixer));
    return found == hosts_.end() ? nullptr : found->second;
}

MixerResult WinmmMixer::GetLineInfo(MixerHandle mixer, LineInfoQuery query, MixerLine& line) {
    const HMIXER host = HostOf(mixer);
    if (host == nullptr)
        return MixerResult::InvalidHandle;
    const std::optional<DWORD> flags = LineInfoFlags(query);
    if (!flags)
        return MixerResult::InvalidFlag;
    MIXERLINEW found{};
    SeedLineQuery(line, query, found);
    if (const MMRESULT asked =
            ::mixerGetLineInfoW(ObjectOf(host), &found, *flags | MIXER_OBJECTF_HMIXER);
        asked != MMSYSERR_NOERROR) {
        return ToMixerResult(asked);
    }
    line = FromHostLine(found);
    return MixerResult::NoError;
}

MixerResult WinmmMixer::GetLineControls(MixerHandle mixer, LineControlsQuery query,
                                        MixerLineControls& request) {
    const HMIXER host = HostOf(mixer);
    if (host == nullptr)
        return MixerResult::InvalidHandle;
    const std::optional<DWORD> flags = LineControlsFlags(query);
    if (!flags)
        return MixerResult::InvalidFlag;
    const std::size_t count = request.controls.size();
    if (const MixerResult counted = CheckControlsBuffer(query, request);
        counted != MixerResult::NoError) {
        return counted;
    }
    std::vector<MIXERCONTROLW> found(count);
    MIXERLINECONTROLSW controls{};
    controls.cbStruct = sizeof controls;
    controls.dwLineID = request.lineId;
    if (query == LineControlsQuery::OneById)
        controls.dwControlID = request.controlId;
    if (query == LineControlsQuery::OneByType)
        controls.dwControlType = static_cast<DWORD>(request.controlType);
    controls.cControls = static_cast<DWORD>(count);
    controls.cbmxctrl = sizeof(MIXERCONTROLW);
    controls.pamxctrl = found.data();
    if (const MMRESULT asked =
            ::mixerGetLineControlsW(ObjectOf(host), &controls, *flags | MIXER_OBJECTF_HMIXER);
        asked != MMSYSERR_NOERROR) {
        return ToMixerResult(asked);
    }
    for (std::size_t i = 0; i < count; ++i)
        request.controls[i] = FromHostControl(found[i]);
    if (query == LineControlsQuery::OneById)
        request.lineId = controls.dwLineID;
    return MixerResult::NoError;
}

MixerResult WinmmMixer::GetControlDetails(MixerHandle mixer, ControlDetailsQuery query,
                                          MixerControlDetails& details) {
    const HMIXER host = HostOf(mixer);
    if (host == nullptr)
        return MixerResult::InvalidHandle;
    if (query == ControlDetailsQuery::ListText)
        return MixerResult::NotSupported;
    if (query != ControlDetailsQuery::Value)
        return MixerResult::InvalidFlag;
    if (const MixerResult shaped = CheckDetailsBuffer(details); shaped != MixerResult::NoError)
        return shaped;
    std::fill(details.details.begin(), details.details.end(), 0u);
    MIXERCONTROLDETAILS asked{};
    asked.cbStruct = sizeof asked;
    asked.dwControlID = details.controlId;
    asked.cChannels = details.channels;
    asked.cMultipleItems = details.multipleItems;
    asked.cbDetails = sizeof(std::uint32_t);
    asked.paDetails = details.details.data();
    return ToMixerResult(::mixerGetControlDetailsW(
        ObjectOf(host), &asked, MIXER_GETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER));
}

MixerResult WinmmMixer::SetControlDetails(MixerHandle mixer, ControlDetailsSet how,
                                          const MixerControlDetails& details) {
    const HMIXER host = HostOf(mixer);
    if (host == nullptr)
        return MixerResult::InvalidHandle;
    const std::optional<DWORD> flags = DetailsSetFlags(how);
    if (!flags)
        return MixerResult::InvalidFlag;
    if (const MixerResult shaped = CheckDetailsBuffer(details); shaped != MixerResult::NoError)
        return shaped;
    std::vector<std::uint32_t> values(details.details.begin(), details.details.end());
    MIXERCONTROLDETAILS given{};
    given.cbStruct = sizeof given;
    given.dwControlID = details.controlId;
    given.cChannels = details.channels;
    given.cMultipleItems = details.multipleItems;
    given.cbDetails = sizeof(std::uint32_t);
    given.paDetails = values.data();
    const MMRESULT set =
        ::mixerSetControlDetails(ObjectOf(host), &given, *flags | MIXER_OBJECTF_HMIXER);
    if (set != MMSYSERR_NOERROR)
        return ToMixerResult(set);
    handles_.AnnounceWrite(mixer, details.controlId);
    return MixerResult::NoError;
}

void WinmmMixer::OnSystemNotice(MixerChange change, HMIXER host, DWORD id) {
    std::vector<std::uintptr_t> receiving;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [handle, open] : hosts_) {
            if (open == host)
                receiving.push_back(handle);
        }
    }
    for (std::uintptr_t handle : receiving)
        handles_.SystemChange(MixerHandle{handle}, change, id);
}

}  // namespace zav::platform::winmm
