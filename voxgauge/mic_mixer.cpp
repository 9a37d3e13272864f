#include "voxgauge/mic_mixer.h"

#include <new>
#include <optional>
#include <utility>

namespace voxgauge {

namespace {

using zav::platform::ComponentType;
using zav::platform::ControlDetailsQuery;
using zav::platform::ControlDetailsSet;
using zav::platform::ControlType;
using zav::platform::kNullMixer;
using zav::platform::LineControlsQuery;
using zav::platform::LineInfoQuery;
using zav::platform::MixerCaps;
using zav::platform::MixerControl;
using zav::platform::MixerControlDetails;
using zav::platform::MixerHandle;
using zav::platform::MixerLine;
using zav::platform::MixerLineControls;
using zav::platform::MixerResult;
using zav::platform::ValueShape;

bool Succeeded(MixerResult result) {
    return result == MixerResult::NoError;
}

// Resizes a temporary buffer, reporting a failed allocation instead of throwing it.
template <typename T>
bool TryResize(std::vector<T>& buffer, std::uint64_t count) {
    try {
        buffer.resize(static_cast<std::size_t>(count));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// A control whose values cannot all be held is treated as no control at all.
bool Usable(const ValueShape& shape) {
    return shape.Count() != 0 && shape.Count() <= CMicMixer::kMaxDetailValues;
}

}  // namespace

CMicMixer::CMicMixer(zav::platform::Mixer& mixer, zav::platform::RegistryStore& store,
                     zav::platform::MixerNotificationSink* callbackWindow)
    : mixer_(mixer), store_(store), callbackWindow_(callbackWindow) {}

CMicMixer::~CMicMixer() {
    MixerAppEnd();
}

int CMicMixer::MixerInit(zav::platform::MixerNotificationSink* callbackWindow) {
    callbackWindow_ = callbackWindow;
    if (mixer_.GetNumDevs() == 0)
        return 0;
    if (handle_ == kNullMixer)
        handle_ = MixerNewDevice(kNullMixer, 0);
    return handle_ != kNullMixer ? 1 : 0;
}

MixerHandle CMicMixer::MixerNewDevice(MixerHandle oldHandle, std::uint32_t deviceId) {
    MixerCaps caps;
    if (!Succeeded(mixer_.GetDevCaps(deviceId, caps)))
        return oldHandle;
    MixerHandle opened = kNullMixer;
    if (!Succeeded(mixer_.Open(deviceId, callbackWindow_, opened)))
        return oldHandle;
    if (oldHandle != kNullMixer)
        mixer_.Close(oldHandle);  // a failure does not change the result
    return opened;
}

void CMicMixer::MixerAppEnd() {
    if (handle_ != kNullMixer)
        mixer_.Close(handle_);  // nothing to do about a failure here
    handle_ = kNullMixer;
    // The control ids belonged to the mixer just closed.
    hasVolumeControl_ = false;
}

bool CMicMixer::ReadLineControls(const MixerLine& line, std::vector<MixerControl>& controls) {
    if (line.controls == 0 || line.controls > kMaxLineControls)
        return false;
    if (!TryResize(controls, line.controls))
        return false;
    MixerLineControls request{.lineId = line.lineId, .controls = controls};
    return Succeeded(mixer_.GetLineControls(handle_, LineControlsQuery::All, request));
}

int CMicMixer::GetMicConf() {
    if (handle_ == kNullMixer)
        return 0;
    MixerCaps caps;
    if (!Succeeded(mixer_.GetDevCaps(handle_, caps)))
        return 0;

    std::optional<MixerLine> micLine;
    for (std::uint32_t d = 0; d < caps.destinations && !micLine; ++d) {
        MixerLine destination{.destination = d};
        if (!Succeeded(mixer_.GetLineInfo(handle_, LineInfoQuery::Destination, destination))) {
            return 0;
        }
        if (destination.componentType != ComponentType::DstWaveIn)
            continue;
        for (std::uint32_t s = 0; s < destination.connections; ++s) {
            MixerLine source{.destination = d, .source = s};
            if (!Succeeded(mixer_.GetLineInfo(handle_, LineInfoQuery::Source, source)))
                return 0;
            if (source.componentType == ComponentType::SrcMicrophone) {
                micLine = std::move(source);  // the first microphone ends the search
                break;
            }
        }
    }
    if (!micLine)
        return 0;

    std::vector<MixerControl> controls;
    if (!ReadLineControls(*micLine, controls))
        return 0;
    for (const MixerControl& control : controls) {
        if (control.controlType != ControlType::Volume)
            continue;
        const ValueShape shape = ShapeOfValues(micLine->channels, control);
        // A control that cannot be addressed counts as no control at all.
        if (!Usable(shape))
            return 0;
        lineId_ = micLine->lineId;
        controlId_ = control.controlId;
        channels_ = shape.channels;
        items_ = shape.items;
        hasVolumeControl_ = true;
        return 1;
    }
    return 0;
}

bool CMicMixer::ReadVolume(std::vector<std::uint32_t>& values, MixerControlDetails& details) {
    if (!hasVolumeControl_ || handle_ == kNullMixer)
        return false;
    if (!TryResize(values, std::uint64_t{channels_} * items_))
        return false;
    // One channel: the volume is read and written as one value for all channels.
    details = MixerControlDetails{.controlId = controlId_,
                                  .channels = 1,
                                  .multipleItems = items_ != 1 ? items_ : 0,
                                  .details = values};
    return Succeeded(mixer_.GetControlDetails(handle_, ControlDetailsQuery::Value, details));
}

int CMicMixer::ChangeEnv(MixerHandle /*mixer*/, std::uint32_t id) {
    // The ids mean nothing before a control was found (ReadVolume also refuses then).
    if (!hasVolumeControl_)
        return 0;
    if (id != controlId_ && id != lineId_)
        return 0;
    std::vector<std::uint32_t> values;
    MixerControlDetails details;
    if (ReadVolume(values, details))
        volume_ = values[0];
    return 0;
}

int CMicMixer::ChangeEnv(std::uint32_t newVolume) {
    std::vector<std::uint32_t> values;
    MixerControlDetails details;
    if (!ReadVolume(values, details))
        return 0;
    values[0] = newVolume;
    volume_ = newVolume;
    mixer_.SetControlDetails(handle_, ControlDetailsSet::Value, details);  // failure ignored
    return 0;
}

MicEnvSave CMicMixer::SaveMicEnv() {
    saveFailure_.clear();
    if (handle_ == kNullMixer)
        return MicEnvSave::NoMixer;
    MicEnvList list;  // freed on every path
    if (MixerLineControl(MixerConfigMode::Read, list) != 1)
        return MicEnvSave::SnapshotFailed;
    if (list.Empty())
        return MicEnvSave::NothingToSave;
    return WriteMicEnv(list);
}

MicEnvSave CMicMixer::WriteMicEnv(const MicEnvList& list) {
    using zav::platform::Access;
    using zav::platform::Hive;
    using zav::platform::RegResult;

    const auto failed = [this](RegResult result, MicEnvSave save) {
        saveFailure_ = std::string(zav::platform::RegResultText(result));
        if (std::string detail = store_.LastError(); !detail.empty())
            saveFailure_ += " (" + detail + ")";
        return save;
    };
    std::vector<std::uint8_t> bytes;
    try {
        bytes = list.Encode();
    } catch (const std::bad_alloc&) {
        saveFailure_ = "out of memory";
        return MicEnvSave::WriteFailed;
    }
    zav::platform::RegistryKey key;
    if (store_.OpenKey(Hive::LocalMachine, kZavKeyPath, Access::Write, key) != RegResult::Success) {
        if (RegResult created = store_.CreateKey(Hive::LocalMachine, kZavKeyPath, Access::All, key);
            created != RegResult::Success) {
            return failed(created, MicEnvSave::KeyUnavailable);
        }
    }
    const RegResult written = key.Set(kMicEnvValueName, zav::platform::ValueType::Binary, bytes);
    return written == RegResult::Success ? MicEnvSave::Written
                                         : failed(written, MicEnvSave::WriteFailed);
}

int CMicMixer::MixerLineControl(MixerConfigMode mode, MicEnvList& list) {
    MixerCaps caps;
    if (!Succeeded(mixer_.GetDevCaps(handle_, caps)))
        return 0;
    for (std::uint32_t d = 0; d < caps.destinations; ++d) {
        MixerLine destination{.destination = d};
        if (!Succeeded(mixer_.GetLineInfo(handle_, LineInfoQuery::Destination, destination))) {
            continue;
        }
        if (destination.componentType == ComponentType::DstWaveIn) {
            MixerControlConfig(destination, mode, list);
        }
        // Microphones are kept under every destination, whatever its type.
        for (std::uint32_t s = 0; s < destination.connections; ++s) {
            MixerLine source{.destination = d, .source = s};
            if (!Succeeded(mixer_.GetLineInfo(handle_, LineInfoQuery::Source, source)))
                continue;
            if (source.componentType == ComponentType::SrcMicrophone) {
                MixerControlConfig(source, mode, list);
            }
        }
    }
    return 1;
}

int CMicMixer::MixerControlConfig(const MixerLine& line, MixerConfigMode mode, MicEnvList& list) {
    std::vector<MixerControl> controls;
    if (!ReadLineControls(line, controls))
        return 0;
    if (mode == MixerConfigMode::Read) {
        // A control that cannot be read is skipped; the others still go into the snapshot.
        for (const MixerControl& control : controls)
            MixerGetControlConfig(line, control, list);
    }
    return 1;
}

int CMicMixer::MixerGetControlConfig(const MixerLine& line, const MixerControl& control,
                                     MicEnvList& list) {
    const ValueShape shape = ShapeOfValues(line.channels, control);
    if (!Usable(shape))
        return 0;

    std::vector<std::uint32_t> values;
    if (!TryResize(values, shape.Count()))
        return 0;
    MixerControlDetails details{.controlId = control.controlId,
                                .channels = shape.channels,
                                .multipleItems = control.multipleItems,
                                .details = values};
    if (!Succeeded(mixer_.GetControlDetails(handle_, ControlDetailsQuery::Value, details))) {
        return 0;
    }

    try {
        std::vector<MicEnvRecord> block;
        block.reserve(values.size());
        for (std::uint32_t value : values) {
            block.push_back({.channels = shape.channels,
                             .items = shape.items,
                             .controlId = control.controlId,
                             .value = value,
                             .link = 0});
        }
        list.AppendBlock(std::move(block));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

}  // namespace voxgauge
