#include "platform/winmm/winmm_mixer_records.h"

#include <algorithm>
#include <string_view>

#include "platform/win32/wide_text.h"

namespace zav::platform::winmm {

namespace {

template <std::size_t N>
std::string NameOf(const WCHAR (&field)[N]) {
    const std::wstring_view text(field, std::find(field, field + N, L'\0') - field);
    return win32::Utf8FromWide(text);
}

}  // namespace

MixerResult ToMixerResult(MMRESULT result) {
    switch (static_cast<MixerResult>(result)) {
        case MixerResult::NoError:
        case MixerResult::Error:
        case MixerResult::BadDeviceId:
        case MixerResult::NotEnabled:
        case MixerResult::Allocated:
        case MixerResult::InvalidHandle:
        case MixerResult::NoDriver:
        case MixerResult::NoMemory:
        case MixerResult::NotSupported:
        case MixerResult::InvalidFlag:
        case MixerResult::InvalidParam:
        case MixerResult::InvalidLine:
        case MixerResult::InvalidControl:
        case MixerResult::InvalidValue:
            return static_cast<MixerResult>(result);
    }
    return MixerResult::Error;
}

std::optional<DWORD> LineInfoFlags(LineInfoQuery query) {
    switch (query) {
        case LineInfoQuery::Destination:
            return MIXER_GETLINEINFOF_DESTINATION;
        case LineInfoQuery::Source:
            return MIXER_GETLINEINFOF_SOURCE;
        case LineInfoQuery::LineId:
            return MIXER_GETLINEINFOF_LINEID;
        case LineInfoQuery::ComponentType:
            return MIXER_GETLINEINFOF_COMPONENTTYPE;
    }
    return std::nullopt;
}

void SeedLineQuery(const MixerLine& line, LineInfoQuery query, MIXERLINEW& host) {
    host = MIXERLINEW{};
    host.cbStruct = sizeof host;
    switch (query) {
        case LineInfoQuery::Destination:
            host.dwDestination = line.destination;
            break;
        case LineInfoQuery::Source:
            host.dwDestination = line.destination;
            host.dwSource = line.source;
            break;
        case LineInfoQuery::LineId:
            host.dwLineID = line.lineId;
            break;
        case LineInfoQuery::ComponentType:
            host.dwComponentType = static_cast<DWORD>(line.componentType);
            break;
    }
}

MixerLine FromHostLine(const MIXERLINEW& host) {
    MixerLine line;
    line.destination = host.dwDestination;
    line.source = host.dwSource;
    line.lineId = host.dwLineID;
    line.componentType = static_cast<ComponentType>(host.dwComponentType);
    line.channels = host.cChannels;
    line.connections = host.cConnections;
    line.controls = host.cControls;
    line.name = NameOf(host.szName);
    return line;
}

std::optional<DWORD> LineControlsFlags(LineControlsQuery query) {
    switch (query) {
        case LineControlsQuery::All:
            return MIXER_GETLINECONTROLSF_ALL;
        case LineControlsQuery::OneById:
            return MIXER_GETLINECONTROLSF_ONEBYID;
        case LineControlsQuery::OneByType:
            return MIXER_GETLINECONTROLSF_ONEBYTYPE;
    }
    return std::nullopt;
}

MixerControl FromHostControl(const MIXERCONTROLW& host) {
    MixerControl control;
    control.controlId = host.dwControlID;
    control.controlType = static_cast<ControlType>(host.dwControlType);
    control.controlFlags = host.fdwControl;
    control.multipleItems = host.cMultipleItems;
    // The bounds' union, read as the unsigned view; signed types reinterpret it (see
    // IsSignedControl).
    control.minimum = host.Bounds.dwMinimum;
    control.maximum = host.Bounds.dwMaximum;
    control.name = NameOf(host.szName);
    return control;
}

std::optional<DWORD> DetailsSetFlags(ControlDetailsSet how) {
    switch (how) {
        case ControlDetailsSet::Value:
            return MIXER_SETCONTROLDETAILSF_VALUE;
        case ControlDetailsSet::Custom:
            return MIXER_SETCONTROLDETAILSF_CUSTOM;
    }
    return std::nullopt;
}

}  // namespace zav::platform::winmm
