#pragma once
// The records the host's mixer calls fill in or read: device capabilities, lines, controls and
// control details. Fields keep the host's meaning; the host's size fields (cbStruct, cbDetails)
// are implied by the types: every detail element is one 32-bit value.
// Every member has a default initialiser, so designated initialisers may name only some.

#include <cstdint>
#include <span>
#include <string>

#include "platform/mixer/mixer_constants.h"

namespace zav::platform {

// An open mixer device. Handles are never reused while a backend lives, so a handle that has
// been closed is recognised as invalid.
enum class MixerHandle : std::uintptr_t {};
inline constexpr MixerHandle kNullMixer{0};

// MIXERCAPS, the parts the programs use.
struct MixerCaps {
    std::string name{};              // szPname
    std::uint32_t destinations = 0;  // cDestinations
};

// MIXERLINE. The query selector decides which fields are input: destination (by destination),
// destination and source (by source), lineId (by line id) or componentType (by type). The call
// fills in all the others.
struct MixerLine {
    std::uint32_t destination = 0;  // dwDestination
    std::uint32_t source = 0;       // dwSource; 0 for a destination line
    std::uint32_t lineId = 0;       // dwLineID
    ComponentType componentType = ComponentType::DstUndefined;
    std::uint32_t channels = 0;     // cChannels
    std::uint32_t connections = 0;  // cConnections: the number of sources of a destination
    std::uint32_t controls = 0;     // cControls
    std::string name{};             // szName
};

// MIXERCONTROL. The bounds are the host's union: read them as signed 32-bit numbers when
// IsSignedControl(controlType), else as unsigned ones.
struct MixerControl {
    std::uint32_t controlId = 0;  // dwControlID
    ControlType controlType = ControlType::Custom;
    std::uint32_t controlFlags = 0;   // fdwControl, ControlFlag bits
    std::uint32_t multipleItems = 0;  // cMultipleItems; 0 unless kControlMultiple is set
    std::uint32_t minimum = 0;        // Bounds
    std::uint32_t maximum = 0;
    std::string name{};  // szName

    bool IsUniform() const { return (controlFlags & kControlUniform) != 0; }
    bool IsMultiple() const { return (controlFlags & kControlMultiple) != 0; }
};

// How a control's values are laid out, item by item and, within an item, channel by channel:
// one channel for a uniform control, else the line's cChannels; the control's cMultipleItems
// for a multiple-item control, else 1 item.
struct ValueShape {
    std::uint32_t channels = 0;
    std::uint32_t items = 0;

    std::uint64_t Count() const { return std::uint64_t{channels} * items; }
};

inline ValueShape ShapeOfValues(std::uint32_t lineChannels, const MixerControl& control) {
    return {control.IsUniform() ? 1U : lineChannels,
            control.IsMultiple() ? control.multipleItems : 1U};
}

// MIXERLINECONTROLS. For LineControlsQuery::All, controls must have exactly the line's cControls
// elements; for the single-control queries exactly one. For OneById the call also fills in
// lineId.
struct MixerLineControls {
    std::uint32_t lineId = 0;
    std::uint32_t controlId = 0;                    // input of OneById
    ControlType controlType = ControlType::Custom;  // input of OneByType
    std::span<MixerControl> controls{};             // pamxctrl, cControls = controls.size()
};

// The host's rule for the records of a GetLineControls request where no line is known: at
// least one, and exactly one for a single-control query. InvalidParam when broken.
inline MixerResult CheckControlsBuffer(LineControlsQuery query, const MixerLineControls& request) {
    const std::size_t count = request.controls.size();
    return count == 0 || (query != LineControlsQuery::All && count != 1) ? MixerResult::InvalidParam
                                                                         : MixerResult::NoError;
}

// MIXERCONTROLDETAILS with cbDetails 4. channels is 1 for a uniform control, or 1 to the line's
// cChannels for a non-uniform one, where 1 addresses all channels as one; multipleItems is the
// control's cMultipleItems for a multiple-item control and 0 otherwise. details must hold at
// least channels x max(multipleItems, 1) values, laid out item by item and, within an item,
// channel by channel.
struct MixerControlDetails {
    std::uint32_t controlId = 0;
    std::uint32_t channels = 0;
    std::uint32_t multipleItems = 0;
    std::span<std::uint32_t> details{};  // paDetails

    // The values the request addresses: channels x max(multipleItems, 1).
    std::uint64_t Addressed() const {
        return std::uint64_t{channels} * (multipleItems == 0 ? 1 : multipleItems);
    }
};

// The host's rules for a details request that need no knowledge of the control: at least one
// channel, and a buffer that holds every value the request addresses (the host would read or
// write past a smaller one). InvalidParam when broken.
inline MixerResult CheckDetailsBuffer(const MixerControlDetails& details) {
    return details.channels == 0 || details.details.size() < details.Addressed()
               ? MixerResult::InvalidParam
               : MixerResult::NoError;
}

// The host's rules for a details request on control, a control of a line with lineChannels
// channels: CheckDetailsBuffer, one channel for a uniform control and at most the line's
// channels otherwise, and multipleItems equal to the control's cMultipleItems for a
// multiple-item control and 0 for any other. InvalidParam when broken.
inline MixerResult CheckDetailsShape(std::uint32_t lineChannels, const MixerControl& control,
                                     const MixerControlDetails& details) {
    const std::uint32_t channels = control.IsUniform() ? 1U : lineChannels;
    const std::uint32_t items = control.IsMultiple() ? control.multipleItems : 0U;
    if (details.channels > channels || details.multipleItems != items)
        return MixerResult::InvalidParam;
    return CheckDetailsBuffer(details);
}

}  // namespace zav::platform
