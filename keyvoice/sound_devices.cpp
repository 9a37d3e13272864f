#include "keyvoice/sound_devices.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "keyvoice/resources.h"
#include "platform/audio/wave_caps.h"

namespace keyvoice {

namespace {

using zav::platform::ComponentType;
using zav::platform::ControlDetailsQuery;
using zav::platform::ControlDetailsSet;
using zav::platform::ControlType;
using zav::platform::kNullMixer;
using zav::platform::LineControlsQuery;
using zav::platform::LineInfoQuery;
using zav::platform::MessageIcon;
using zav::platform::MixerCaps;
using zav::platform::MixerControl;
using zav::platform::MixerControlDetails;
using zav::platform::MixerLine;
using zav::platform::MixerLineControls;
using zav::platform::MixerResult;
using zav::platform::ValueShape;

// The one format both wave devices must take: 22.05 kHz, mono, 16-bit.
constexpr std::uint32_t kRecorderFormatBit = zav::platform::kWaveFormat2M16;

// Tick marks every kTickSpacing while below kTickLimit: nine requests, the last beyond the range.
constexpr int kTickSpacing = 7282;
constexpr int kTickLimit = 10 * kTickSpacing;

bool Succeeded(MixerResult result) {
    return result == MixerResult::NoError;
}

// The slider stands upside down: the loudest volume puts the thumb at the top (position 0).
int SliderPosition(std::uint32_t volume) {
    return static_cast<int>(kMaxRecordVolume - std::min(volume, kMaxRecordVolume));
}

std::uint32_t VolumeAt(int position) {
    return kMaxRecordVolume -
           static_cast<std::uint32_t>(std::clamp(position, 0, static_cast<int>(kMaxRecordVolume)));
}

}  // namespace

CSoundDevices::CSoundDevices(zav::platform::WaveInApi& waveIn, zav::platform::WaveOutApi& waveOut,
                             zav::platform::Mixer& mixer)
    : waveIn_(waveIn), waveOut_(waveOut), mixer_(mixer) {}

CSoundDevices::~CSoundDevices() {
    CloseMixer();
}

void CSoundDevices::AttachView(zav::platform::DialogView& view) {
    view_ = &view;
}

zav::platform::DialogView& CSoundDevices::View() {
    if (view_ == nullptr)
        throw std::logic_error("CSoundDevices used before the dialog attached its view");
    return *view_;
}

void CSoundDevices::ShowMessage(StringId text, std::string_view caption, MessageIcon icon) {
    View().Messages().Show(LoadString(text), caption, {.icon = icon});
}

std::int32_t CSoundDevices::FindSoundDevice(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::PlayDevice:
            return FindWaveDevice(kind, waveOut_.GetNumDevs(), StringId::NoPlayDevice);
        case DeviceKind::RecordDevice:
            return FindWaveDevice(kind, waveIn_.GetNumDevs(), StringId::NoRecordDevice);
        case DeviceKind::VolumeMixer:
            return FindVolumeMixer();
    }
    return kNoDevice;
}

std::int32_t CSoundDevices::FindWaveDevice(DeviceKind kind, std::uint32_t count,
                                           StringId notFound) {
    for (std::uint32_t id = count; id-- > 0;) {
        if (ProbeDevice(kind, id) == ProbeResult::Usable)
            return static_cast<std::int32_t>(id);
    }
    ShowMessage(notFound, kErrorCaption, MessageIcon::Error);
    return kNoDevice;
}

std::vector<std::uint32_t> CSoundDevices::MixerSearchOrder(std::uint32_t count) {
    std::vector<std::uint32_t> order;
    if (count == 0)
        return order;
    // A deliberate change from searching the mixers from the highest number down: the wave-in
    // mapper's mixer comes first, then the others from the highest number down. Recording goes
    // through the wave mapper, so its mixer is the one whose volume matters; on a desktop with
    // a sound server it is seldom the highest-numbered one, and the slider would then move a
    // control that the recording never hears.
    std::uint32_t preferred = 0;
    const bool named =
        Succeeded(mixer_.GetIdOfWaveIn(zav::platform::kWaveMapper, preferred)) && preferred < count;
    if (named)
        order.push_back(preferred);
    for (std::uint32_t id = count; id-- > 0;) {
        if (!named || id != preferred)
            order.push_back(id);
    }
    return order;
}

std::int32_t CSoundDevices::FindVolumeMixer() {
    mixerDevice_ = kNoDevice;
    for (std::uint32_t id : MixerSearchOrder(mixer_.GetNumDevs())) {
        mixerId_ = id;
        if (OpenMixer() != MixerOpenResult::Opened)
            continue;
        if (ProbeDevice(DeviceKind::VolumeMixer, id) == ProbeResult::Usable) {
            mixerDevice_ = static_cast<std::int32_t>(id);
            return mixerDevice_;
        }
        CloseMixer();
    }
    ShowMessage(StringId::NoVolumeControl, kWarningCaption, MessageIcon::Exclamation);
    return kNoDevice;
}

ProbeResult CSoundDevices::ProbeDevice(DeviceKind kind, std::uint32_t deviceId) {
    switch (kind) {
        case DeviceKind::PlayDevice: {
            zav::platform::WaveOutCaps caps;
            const bool usable =
                waveOut_.GetDevCaps(deviceId, caps) == zav::platform::MmResult::NoError &&
                (caps.formats & kRecorderFormatBit) != 0;
            return usable ? ProbeResult::Usable : ProbeResult::PlayFormatMissing;
        }
        case DeviceKind::RecordDevice: {
            zav::platform::WaveInCaps caps;
            const bool usable =
                waveIn_.GetDevCaps(deviceId, caps) == zav::platform::MmResult::NoError &&
                (caps.formats & kRecorderFormatBit) != 0;
            return usable ? ProbeResult::Usable : ProbeResult::RecordFormatMissing;
        }
        case DeviceKind::VolumeMixer:
            return ProbeVolumeMixer();
    }
    return ProbeResult::UnknownKind;
}

ProbeResult CSoundDevices::ProbeVolumeMixer() {
    if (!mixerIsOpen_)
        return ProbeResult::NoMixerVolume;
    MixerCaps caps;
    if (!Succeeded(mixer_.GetDevCaps(mixerHandle_, caps)))
        return ProbeResult::NoMixerVolume;
    for (std::uint32_t d = 0; d < caps.destinations; ++d) {
        MixerLine destination{.destination = d};
        if (!Succeeded(mixer_.GetLineInfo(mixerHandle_, LineInfoQuery::Destination, destination)))
            return ProbeResult::NoMixerVolume;
        if (destination.componentType != ComponentType::DstWaveIn)
            continue;
        for (std::uint32_t s = 0; s < destination.connections; ++s) {
            MixerLine source{.destination = d, .source = s};
            if (!Succeeded(mixer_.GetLineInfo(mixerHandle_, LineInfoQuery::Source, source)))
                return ProbeResult::NoMixerVolume;
            // The first microphone decides, with or without a volume control.
            if (source.componentType == ComponentType::SrcMicrophone)
                return ProbeMicrophone(source);
        }
    }
    return ProbeResult::NoMixerVolume;
}

ProbeResult CSoundDevices::ProbeMicrophone(const MixerLine& micLine) {
    if (micLine.controls > kMaxLineControls)
        return ProbeResult::NoMixerVolume;
    std::vector<MixerControl> controls;
    try {
        controls.resize(micLine.controls);
    } catch (const std::bad_alloc&) {
        return ProbeResult::NoMixerVolume;
    }
    MixerLineControls request{.lineId = micLine.lineId, .controls = controls};
    if (!Succeeded(mixer_.GetLineControls(mixerHandle_, LineControlsQuery::All, request)))
        return ProbeResult::NoMixerVolume;

    const auto volume =
        std::ranges::find(controls, ControlType::Volume, &MixerControl::controlType);
    if (volume == controls.end())
        return ProbeResult::NoMixerVolume;
    const ValueShape shape = ShapeOfValues(micLine.channels, *volume);
    if (shape.Count() > kMaxVolumeValues)
        return ProbeResult::NoMixerVolume;
    micLineId_ = micLine.lineId;
    volumeControlId_ = volume->controlId;
    volumeChannels_ = shape.channels;
    volumeItems_ = shape.items;
    return ProbeResult::Usable;
}

MixerOpenResult CSoundDevices::OpenMixer() {
    if (mixerIsOpen_)
        return MixerOpenResult::Opened;
    if (Succeeded(mixer_.Open(mixerId_, this, mixerHandle_))) {
        mixerIsOpen_ = true;
        return MixerOpenResult::Opened;
    }
    mixerHandle_ = kNullMixer;
    ShowMessage(StringId::NoVolumeControl, kErrorCaption, MessageIcon::Error);
    return MixerOpenResult::Failed;
}

void CSoundDevices::CloseMixer() {
    if (!mixerIsOpen_)
        return;
    mixer_.Close(mixerHandle_);  // nothing to do about a failure: the handle is given up
    mixerHandle_ = kNullMixer;
    mixerIsOpen_ = false;
}

void CSoundDevices::EnableRecordVolume() {
    View().EnableControl(kIdcRecordVolume, mixerIsOpen_);
}

MixerControlDetails CSoundDevices::VolumeRequest(std::span<std::uint32_t> values) const {
    // One channel: the volume is read and written as one value for all channels.
    return {.controlId = volumeControlId_,
            .channels = 1,
            .multipleItems = volumeItems_ == 1 ? 0 : volumeItems_,
            .details = values};
}

std::vector<std::uint32_t> CSoundDevices::ReadVolumeValues() {
    // A line reporting no channels (or a control no items) still gets a value to read.
    const auto count = std::max<std::uint64_t>(std::uint64_t{volumeChannels_} * volumeItems_, 1);
    std::vector<std::uint32_t> values(static_cast<std::size_t>(count), 0);
    values.front() = recordVolume_;
    MixerControlDetails request = VolumeRequest(values);
    // A failed read keeps the last known volume in the first value.
    mixer_.GetControlDetails(mixerHandle_, ControlDetailsQuery::Value, request);
    return values;
}

void CSoundDevices::ShowVolumeOnSlider() {
    View().SetSliderPos(kIdcRecordVolume, SliderPosition(recordVolume_), true);
}

void CSoundDevices::InitRecordVolumeSlider() {
    recordVolume_ = mixerIsOpen_ ? ReadVolumeValues().front() : kMaxRecordVolume;
    View().SetSliderRange(kIdcRecordVolume, 0, static_cast<int>(kMaxRecordVolume), true);
    ShowVolumeOnSlider();
    for (int tick = kTickSpacing; tick < kTickLimit; tick += kTickSpacing)
        View().SetSliderTic(kIdcRecordVolume, tick);  // the last one lies beyond the range
    // A slider that reaches no mixer would mislead, so it is out of use from the start.
    EnableRecordVolume();
}

void CSoundDevices::OnVScroll() {
    // The slider is the dialog's only vertical scroller, so the sender needs no check.
    recordVolume_ = VolumeAt(View().GetSliderPos(kIdcRecordVolume));
    if (!mixerIsOpen_)
        return;
    std::vector<std::uint32_t> values = ReadVolumeValues();
    values.front() = recordVolume_;
    // The mixer answers with a change notice, which sets the slider from what it kept.
    mixer_.SetControlDetails(mixerHandle_, ControlDetailsSet::Value, VolumeRequest(values));
}

void CSoundDevices::OnMixerChange(zav::platform::MixerChange /*change*/,
                                  zav::platform::MixerHandle /*mixer*/, std::uint32_t id) {
    // Only the open mixer notifies, and its ids are the ones the probe found.
    if (!mixerIsOpen_ || (id != volumeControlId_ && id != micLineId_))
        return;
    recordVolume_ = ReadVolumeValues().front();
    ShowVolumeOnSlider();
}

}  // namespace keyvoice
